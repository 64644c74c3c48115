#pragma once

// The shown main window, found the way a user's tool would: by its name among the top-level
// windows. For the host's demo and the tests, which drive the window from outside.

#include <QApplication>
#include <QWidget>

inline QWidget* shown_root_window()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QLatin1String("app") && widget->isVisible())
            return widget;
    }
    return nullptr;
}
