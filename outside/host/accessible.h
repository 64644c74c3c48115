#pragma once

// A control given the name the tests find it by and the name a screen reader says.

#include <QString>

template <typename Widget> Widget* named(Widget* widget, const char* name, const QString& spoken)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setAccessibleName(spoken);
    return widget;
}
