// The output button's caption follows the worker's "get_receipt" event, one frame per tick. The
// tick is called by hand on a state holding just what it touches; one run through the real
// window checks that the ticks come by themselves.

#include "state.h"
#include "window_driver.h"

#include <QTest>
#include <atomic>

namespace {

// Answers from a script, one per question, then the last one again; counts the questions.
class Scripted_Event final : public Event
{
public:
    explicit Scripted_Event(std::vector<int> answers) // 1 set, 0 clear, -1 raises
        : answers_(std::move(answers))
    { }
    bool is_set() const override
    {
        const int answer = answers_[std::min(questions++, answers_.size() - 1)];
        if (answer < 0)
            throw std::runtime_error("worker unreachable");
        return answer == 1;
    }
    void set() override { }
    void clear() override { }
    bool wait(std::chrono::milliseconds) const override { return true; }

    mutable std::size_t questions = 0;

private:
    std::vector<int> answers_;
};

// The pieces of the main-window state a tick uses: the bar with the output button, the table,
// the root window and the event bundle.
struct Indicator
{
    explicit Indicator(std::shared_ptr<Event> get_receipt)
    {
        if (get_receipt)
            events.add("get_receipt", std::move(get_receipt));
        state.app = window.get();
        state.set_button.add_button(
            window.get(), {.button_name = "輸出單據", .text = "輸出單據", .button_event = [] {}});
        state.entry_table = std::make_unique<Entry_Table>(window.get());
        state.aa = [] {};
    }

    QString tick()
    {
        aa(state);
        return caption();
    }
    QStringList ticks(int count)
    {
        QStringList seen;
        for (int i = 0; i < count; ++i)
            seen << tick();
        return seen;
    }
    QString caption() const
    {
        return QString::fromStdString(state.set_button.cget("輸出單據", "text"));
    }
    void show(const char* text) { state.set_button.configure("輸出單據", text); }

    Queue_Bundle queues;
    Event_Bundle events;
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    Main_Window_State state {.Queue_All_variable = queues, .Event_All_variable = events};
};

std::shared_ptr<Std_Event> worker_event(bool set)
{
    auto event = std::make_shared<Std_Event>();
    if (set)
        event->set();
    return event;
}

} // namespace

class Tst_Progress : public QObject
{
    Q_OBJECT

private slots:
    void busy_worker_cycles_the_dots_from_the_idle_caption()
    {
        Indicator indicator(worker_event(true));
        QCOMPARE(indicator.ticks(5),
            (QStringList {"輸出中.", "輸出中..", "輸出中...", "輸出中.", "輸出中.."}));
    }

    void idle_worker_brings_the_caption_back_and_busy_restarts_the_cycle()
    {
        auto worker = worker_event(true);
        Indicator indicator(worker);
        indicator.ticks(2);
        QCOMPARE(indicator.caption(), QStringLiteral("輸出中.."));
        worker->clear();
        QCOMPARE(indicator.tick(), QStringLiteral("輸出單據"));
        worker->set();
        QCOMPARE(indicator.tick(), QStringLiteral("輸出中."));
    }

    void idle_caption_is_set_again_on_every_tick()
    {
        Indicator indicator(worker_event(false));
        indicator.show("other");
        QCOMPARE(indicator.ticks(3), (QStringList {"輸出單據", "輸出單據", "輸出單據"}));
    }

    void busy_asks_once_and_idle_asks_twice()
    {
        auto busy = std::make_shared<Scripted_Event>(std::vector<int> {1});
        Indicator busy_indicator(busy);
        busy_indicator.ticks(3);
        QCOMPARE(busy->questions, std::size_t(3));
        auto idle = std::make_shared<Scripted_Event>(std::vector<int> {0});
        Indicator idle_indicator(idle);
        idle_indicator.ticks(3);
        QCOMPARE(idle->questions, std::size_t(6));
    }

    void event_set_between_the_two_questions_leaves_the_caption_for_one_tick()
    {
        auto starting = std::make_shared<Scripted_Event>(std::vector<int> {0, 1, 1});
        Indicator indicator(starting);
        indicator.show("輸出中..");
        QCOMPARE(indicator.tick(), QStringLiteral("輸出中.."));
        QCOMPARE(indicator.tick(), QStringLiteral("輸出中..."));
    }

    void failing_or_missing_event_is_ignored_and_the_caption_stays_data()
    {
        QTest::addColumn<bool>("missing");
        QTest::newRow("event raises") << false;
        QTest::newRow("no such event") << true;
    }
    void failing_or_missing_event_is_ignored_and_the_caption_stays()
    {
        QFETCH(bool, missing);
        auto raising = std::make_shared<Scripted_Event>(std::vector<int> {-1});
        Indicator indicator(missing ? nullptr : raising);
        indicator.show("輸出中..");
        QCOMPARE(indicator.ticks(2), (QStringList {"輸出中..", "輸出中.."}));
    }

    void each_tick_arms_the_next_one()
    {
        Indicator indicator(worker_event(false));
        indicator.state.tick_ms = 0;
        int next_ticks = 0;
        indicator.state.aa = [&] { ++next_ticks; };
        indicator.tick();
        QTRY_COMPARE(next_ticks, 1);
    }

    void tick_after_the_window_is_gone_fails_and_arms_nothing()
    {
        Indicator indicator(worker_event(true));
        indicator.window.reset();
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, aa(indicator.state));
    }

    void real_window_ticks_by_itself()
    {
        Recorded_Channels channels;
        channels.get_receipt_event->set();
        run_window(channels,
            [&](QWidget* app) {
                QTRY_COMPARE(output_caption(app), QStringLiteral("輸出中."));
                QTRY_COMPARE(output_caption(app), QStringLiteral("輸出中.."));
                QTRY_COMPARE(output_caption(app), QStringLiteral("輸出中..."));
                channels.get_receipt_event->clear();
                QTRY_COMPARE(output_caption(app), QStringLiteral("輸出單據"));
            },
            {.tick_ms = 20});
    }
};

QTEST_MAIN(Tst_Progress)
#include "tst_progress.moc"
