#pragma once

// The shown main window, found the way a user's tool would: by its name among the top-level
// windows. Also for tests that load the window module instead of linking it.

#include <QApplication>
#include <QWidget>

inline QWidget* root_window()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QLatin1String("app") && widget->isVisible())
            return widget;
    }
    return nullptr;
}
