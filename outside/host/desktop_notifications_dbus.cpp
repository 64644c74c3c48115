#include "desktop_notifications.h"
#include "guard.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");

} // namespace

Desktop_Notifications::Desktop_Notifications(QObject* parent)
    : QObject(parent)
{
    QDBusConnection::sessionBus().connect(service, path, service, QStringLiteral("ActionInvoked"),
        this, SLOT(action_invoked(uint, QString)));
}

bool Desktop_Notifications::show(const QString& title, const QString& message,
    const QString& action, std::function<void()> acted)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage notify
        = QDBusMessage::createMethodCall(service, path, service, QStringLiteral("Notify"));
    const QStringList actions
        = action.isEmpty() ? QStringList() : QStringList {QStringLiteral("default"), action};
    notify << QStringLiteral("Pelderwick") << uint(0) << QStringLiteral("printer") << title
           << message << actions << QVariantMap() << int(-1);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(notify), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
        [this, watcher, acted = std::move(acted)] {
            const QDBusPendingReply<uint> reply = *watcher;
            if (acted && !reply.isError()) {
                acted_ = acted;
                acted_id_ = reply.value();
            }
            watcher->deleteLater();
        });
    return true;
}

void Desktop_Notifications::action_invoked(uint id, const QString& /*key*/)
{
    if (id == acted_id_ && acted_)
        call_guarded("a notification's action", acted_);
}
