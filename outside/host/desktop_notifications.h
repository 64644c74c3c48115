#pragma once

// The desktop's notification service (org.freedesktop.Notifications), for desktops without a
// notification area (GNOME's own has none): the notices go there instead. Asked without waiting
// for an answer; where there is no such service (Windows, no session bus) nothing is shown, and
// standard error has said it all the same.

#include <QObject>
#include <QString>
#include <functional>

class Desktop_Notifications final : public QObject
{
    Q_OBJECT

public:
    explicit Desktop_Notifications(QObject* parent);

    // A notice; with `action` (its words), `acted` is called when the user chooses it. False
    // where there is no session bus to send it on.
    bool show(const QString& title, const QString& message, const QString& action = {},
        std::function<void()> acted = {});

private slots:
    void action_invoked(uint id, const QString& key);

private:
    std::function<void()> acted_;
    uint acted_id_ = 0;
};
