// Windows has its notification area; there is no desktop notification service to ask besides it.

#include "desktop_notifications.h"

Desktop_Notifications::Desktop_Notifications(QObject* parent)
    : QObject(parent)
{ }

bool Desktop_Notifications::show(const QString& /*title*/, const QString& /*message*/,
    const QString& /*action*/, std::function<void()> /*acted*/)
{
    return false;
}

void Desktop_Notifications::action_invoked(uint /*id*/, const QString& /*key*/) { }
