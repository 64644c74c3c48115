// The desktop's end of the session (logging off, shutting down) while the worker still has
// requests: refused, with the reason Windows shows beside the program, and agreed to once the
// work is done.

#include "host_qt.h"
#include "platform.h"
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
        QWidget app;
        app.setObjectName("app");
        app.show();
        if (!test_platform::asks_to_end_session(app.windowHandle()).has_value())
            QSKIP("only the Windows platform asks the program before the session ends");
        void* library = platform::open_library(platform::own_library_path("pelderwick_host_qt"));
        QVERIFY(library != nullptr);
        const auto guard = reinterpret_cast<decltype(Host_Qt::guard_session_end)>(
            platform::library_entry(library, host_qt_guard_session_end_name));
        bool working = true;
        guard([&working] { return working; });
        QCOMPARE(
            test_platform::asks_to_end_session(app.windowHandle()), std::optional<bool>(false));
        working = false;
        QCOMPARE(test_platform::asks_to_end_session(app.windowHandle()), std::optional<bool>(true));
    }
};

QTEST_MAIN(Tst_Session)
#include "tst_session.moc"
