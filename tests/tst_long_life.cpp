// Days of use in seconds: over a million progress ticks with the worker's event flipping, and a
// thousand settings dialogs opened and closed. The heap stays flat and no window is left over.
// The window runs with the tick period shortened to nothing.

#include "test_platform.h"
#include "window_driver.h"

#include <QTest>
#include <atomic>

namespace {

using test_platform::heap_in_use;

// Flips every few questions. A tick asks once when set and twice when clear, so a million
// ticks ask between one and two million times.
class Counting_Event final : public Event
{
public:
    bool is_set() const override { return (++questions / 5) % 2 == 0; }
    void set() override { }
    void clear() override { }
    bool wait(std::chrono::milliseconds) const override { return true; }

    mutable std::atomic<long long> questions {0};
};

void run_until(const std::function<bool()>& reached)
{
    while (!reached())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

} // namespace

class Tst_Long_Life : public QObject
{
    Q_OBJECT

private slots:
    void million_ticks_and_thousand_dialogs_leave_the_heap_flat()
    {
        Recorded_Channels channels;
        auto counting = std::make_shared<Counting_Event>();
        Event_Bundle events;
        events.add("get_receipt", counting);
        events.add("end", std::make_shared<Std_Event>());
        const auto windows_before = QApplication::topLevelWidgets().size();
        run_window(channels.queues, events,
            [&](QWidget* app) {
                run_until([&] { return counting->questions >= 100'000; });
                const std::size_t warm = heap_in_use();
                run_until([&] { return counting->questions >= 2'100'000; });
                const std::size_t ticked = heap_in_use();
                qInfo("heap in use: %zu bytes after warm-up, %zu after a million ticks more", warm,
                    ticked);
                QVERIFY(ticked < warm + 64 * 1024);
                auto open_and_close_dialogs = [&](int count) {
                    for (int i = 0; i < count; ++i) {
                        click(button(app, "齒輪.png"));
                        for (QWidget* dialog : app->findChildren<QWidget*>("setting_window"))
                            dialog->close();
                        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
                        // As the event loop would between two clicks: without this, the events
                        // that opening and closing post pile up and look like a leak.
                        QCoreApplication::processEvents();
                    }
                };
                open_and_close_dialogs(100); // Qt's style and font caches fill with the first ones
                const std::size_t warm_dialogs = heap_in_use();
                open_and_close_dialogs(900);
                QCOMPARE(app->findChildren<QWidget*>("setting_window").size(), 0);
                const std::size_t after_dialogs = heap_in_use();
                qInfo("heap in use: %zu bytes after 100 settings dialogs, %zu after 900 more",
                    warm_dialogs, after_dialogs);
                QVERIFY(after_dialogs < warm_dialogs + 64 * 1024);
            },
            {.tick_ms = 0});
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(QApplication::topLevelWidgets().size(), windows_before);
    }
};

QTEST_MAIN(Tst_Long_Life)
#include "tst_long_life.moc"
