// The output button's caption follows the worker's "get_receipt" event, one frame per tick.

#include "window_driver.h"

#include <QElapsedTimer>
#include <QTest>
#include <atomic>

namespace {

// Distinct captions in the order seen, polling for `duration_ms`.
QStringList captions_seen(QWidget* app, int duration_ms)
{
    QStringList seen {output_caption(app)};
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < duration_ms) {
        QTest::qWait(20);
        if (output_caption(app) != seen.last())
            seen << output_caption(app);
    }
    return seen;
}

// An event that fails its first questions, as an unreachable worker would.
class Flaky_Event final : public Event
{
public:
    explicit Flaky_Event(int failures)
        : failures_(failures)
    { }
    bool is_set() const override
    {
        if (failures_-- > 0)
            throw std::runtime_error("worker unreachable");
        return true;
    }
    void set() override { }
    void clear() override { }
    bool wait(std::chrono::milliseconds) const override { return true; }

private:
    mutable std::atomic<int> failures_;
};

} // namespace

class Tst_Progress : public QObject
{
    Q_OBJECT

private slots:
    void busy_worker_cycles_the_dots_from_the_first_tick()
    {
        Recorded_Channels channels;
        channels.get_receipt_event->set();
        run_window(channels, [](QWidget* app) {
            QElapsedTimer clock;
            clock.start();
            QTRY_COMPARE_WITH_TIMEOUT(output_caption(app), QStringLiteral("輸出中."), 5000);
            QVERIFY(clock.elapsed() >= 450); // the first tick comes half a second after start
            QCOMPARE(captions_seen(app, 1600),
                (QStringList {"輸出中.", "輸出中..", "輸出中...", "輸出中."}));
        });
    }

    void idle_worker_brings_the_caption_back_and_busy_restarts_the_cycle()
    {
        Recorded_Channels channels;
        channels.get_receipt_event->set();
        run_window(channels, [&](QWidget* app) {
            QTRY_COMPARE_WITH_TIMEOUT(output_caption(app), QStringLiteral("輸出中.."), 5000);
            channels.get_receipt_event->clear();
            QTRY_COMPARE_WITH_TIMEOUT(output_caption(app), QStringLiteral("輸出單據"), 2000);
            channels.get_receipt_event->set();
            QTRY_COMPARE_WITH_TIMEOUT(output_caption(app), QStringLiteral("輸出中."), 2000);
        });
    }

    void idle_caption_is_set_again_on_every_tick()
    {
        Recorded_Channels channels;
        run_window(channels, [](QWidget* app) {
            button(app, "輸出單據")->setText(QStringLiteral("other"));
            QTRY_COMPARE_WITH_TIMEOUT(output_caption(app), QStringLiteral("輸出單據"), 2000);
            QCOMPARE(captions_seen(app, 1100), QStringList {"輸出單據"});
        });
    }

    void failing_event_questions_are_ignored_and_the_ticks_go_on()
    {
        Recorded_Channels channels;
        Event_Bundle events;
        events.add("get_receipt", std::make_shared<Flaky_Event>(3));
        events.add("end", std::make_shared<Std_Event>());
        run_window(channels.queues, events, [](QWidget* app) {
            QCOMPARE(captions_seen(app, 1200), QStringList {"輸出單據"});
            QTRY_COMPARE_WITH_TIMEOUT(output_caption(app), QStringLiteral("輸出中."), 3000);
        });
    }

    void bundle_without_the_event_keeps_the_idle_caption()
    {
        Recorded_Channels channels;
        Event_Bundle events; // no "get_receipt"
        events.add("end", std::make_shared<Std_Event>());
        run_window(channels.queues, events, [](QWidget* app) {
            button(app, "輸出單據")->setText(QStringLiteral("輸出中.."));
            QCOMPARE(captions_seen(app, 1200), QStringList {"輸出中.."});
        });
    }
};

QTEST_MAIN(Tst_Progress)
#include "tst_progress.moc"
