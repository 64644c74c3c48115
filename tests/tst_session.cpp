// The desktop's end of the session (logging off, shutting down) while the worker still has
// requests: refused, with the reason Windows shows beside the program, and agreed to once the
// work is done.

#include "platform.h"
#include "session.h"
#include "test_platform.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

class Tst_Session : public QObject
{
    Q_OBJECT

private slots:
    void end_of_the_session_waits_for_the_work()
    {
        Session session(false);
        QWidget app;
        app.setObjectName("app");
        app.show();
        if (!test_platform::asks_to_end_session(app.windowHandle()).has_value())
            QSKIP("only the Windows platform asks the program before the session ends");
        bool working = true;
        session.guard_session_end([&working] { return working; });
        QCOMPARE(
            test_platform::asks_to_end_session(app.windowHandle()), std::optional<bool>(false));
        working = false;
        QCOMPARE(test_platform::asks_to_end_session(app.windowHandle()), std::optional<bool>(true));
    }
};

// The session makes the application object itself, as the program does.
int main(int argc, char** argv)
{
    Tst_Session test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_session.moc"
