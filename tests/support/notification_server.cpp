// A desktop's notification service (org.freedesktop.Notifications) for the tests, on the session
// bus the environment names: each notification it gets is one line on standard output,
// "notify <summary>|<body>|<actions, comma-separated>"; with --click it chooses a notification's
// first action half a second after it came, as a user would. Says "ready" once it is there.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QTimer>
#include <QVariantMap>
#include <cstdio>

class Notifications final : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    explicit Notifications(bool click)
        : click_(click)
    { }

public slots:
    uint Notify(const QString& /*app_name*/, uint /*replaces_id*/, const QString& /*app_icon*/,
        const QString& summary, const QString& body, const QStringList& actions,
        const QVariantMap& /*hints*/, int /*expire_timeout*/)
    {
        const uint id = ++last_;
        std::printf("notify %s|%s|%s\n", qPrintable(summary), qPrintable(body),
            qPrintable(actions.join(u',')));
        std::fflush(stdout);
        if (click_ && !actions.isEmpty()) {
            const QString key = actions.first();
            QTimer::singleShot(500, this, [this, id, key] { emit ActionInvoked(id, key); });
        }
        return id;
    }
    QStringList GetCapabilities() { return {QStringLiteral("actions"), QStringLiteral("body")}; }
    void CloseNotification(uint /*id*/) { }

signals:
    void ActionInvoked(uint id, const QString& action_key);

private:
    bool click_;
    uint last_ = 0;
};

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    Notifications notifications(application.arguments().contains(QStringLiteral("--click")));
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &notifications,
            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals)
        || !bus.registerService(QStringLiteral("org.freedesktop.Notifications")))
        return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

#include "notification_server.moc"
