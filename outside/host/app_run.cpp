// The program's one Qt library and its one entry (app.h): the channels, the worker on a thread of
// its own beside the window, what becomes of each request (outputs.h), and the window.

#include "app.h"
#include "exports.h"
#include "lines.h"
#include "list_output.h"
#include "outputs.h"
#include "platform.h"
#include "print_settings.h"
#include "request_fields.h"
#include "session.h"
#include "worker.h"

#include <atomic>
#include <optional>
#include <thread>
#include <type_traits>

namespace {

// Set by the first request to end (a signal, Ctrl+C): the program no longer waits for print jobs.
// Outlives everything, as the thread that sets it may.
std::atomic<bool> end_requested {false};

// In a program built for the tests, PELDERWICK_SLOW_MS makes each envelope take that much longer,
// so that the tests can end the program while it is busy.
void slowed_for_the_tests()
{
    static const int pause = [] {
        const auto value = test_setting("PELDERWICK_SLOW_MS");
        return value ? std::atoi(value->c_str()) : 0;
    }();
    if (pause > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(pause));
}

// All that the worker's thread uses, living until it has been joined.
struct Run
{
    explicit Run(const App_Start& given)
        : start(given)
        , session(given.options.demo || !given.options.reprint.empty() || given.options.output_all)
    {
        if (const std::string trouble = settings_trouble(); !trouble.empty())
            session.tell("Pelderwick：列印設定", trouble);
    }

    const App_Start& start;
    std::unique_ptr<Queue_Bundle> queues = make_std_queue_bundle();
    std::unique_ptr<Event_Bundle> events = make_std_event_bundle();
    Session session;
    std::optional<Outputs> outputs;
    std::atomic<bool> worker_finished {false};
    std::thread worker_thread;

    Std_Queue& requests() { return dynamic_cast<Std_Queue&>((*queues)[channel::receipt]); }
    Event& busy() { return (*events)[channel::receipt]; }

    void make_outputs()
    {
        outputs.emplace([this](const std::string& title,
                            const std::string& message) { session.tell(title, message); },
            start.options.printer, system_print_service());
    }

    void start_worker()
    {
        make_outputs();
        // A press's requests are one batch: closed once the press's turn is over.
        requests().on_batch_opened(
            [this] { session.after_this_turn([this] { requests().close_batch(); }); });
        worker_thread = std::thread([this] {
            run_worker(
                requests(), busy(),
                [this](const Record& request) {
                    slowed_for_the_tests();
                    outputs->produce(request);
                },
                [this] { outputs->press_done(); },
                [this](const std::vector<Record>& press) { outputs->press_begins(press); });
            worker_finished = true;
            session.wake();
        });
    }

    // When a library ends the process from inside the window (Qt does so when the display goes
    // away), the worker first finishes every request it was handed.
    void finish_worker()
    {
        if (worker_thread.joinable()) {
            requests().put(std::nullopt);
            worker_thread.join();
        }
        stop_lines(std::chrono::seconds(5));
    }

    bool working() { return !worker_finished && (busy().is_set() || requests().size() > 0); }

    // The window with the worker beside it, the demo driving it where asked.
    void window()
    {
        start_worker();
        start.before_exit([this] { finish_worker(); });
        platform::on_end_request([this] {
            end_requested = true;
            session.close_window();
        });
        session.guard_session_end([this] { return working(); });
        if (start.options.demo)
            session.start_demo(outputs->progress);
        else
            session.offer_print_settings();
        start.window->GUI(*queues, *events);
    }

    // Envelopes printed again from the log, without the window; followed to their end.
    int reprint()
    {
        make_outputs();
        platform::on_end_request([] { end_requested = true; });
        const std::string log = platform::local_path(output_folder) + "requests.jsonl";
        std::vector<Logged_Envelope> envelopes;
        for (const std::string& what : start.options.reprint) {
            const std::vector<Logged_Envelope> found = logged_envelopes(log, what);
            envelopes.insert(envelopes.end(), found.begin(), found.end());
        }
        outputs->reprint(envelopes);
        if (const auto job = outputs->progress.last_job())
            say_line("Reprint: " + std::to_string(envelopes.size()) + " envelopes "
                + (job->handed ? "on " + job->printer + " as job " + std::to_string(job->number)
                               : "not printed on " + job->printer + " (see above)"));
        return end(0);
    }

    // A list's envelopes, without the window; followed to their end.
    int list()
    {
        make_outputs();
        platform::on_end_request([] { end_requested = true; });
        return end(output_list(*outputs, start.options.list, end_requested));
    }

    int end(int status)
    {
        // Notices of what the worker still does are shown while it finishes.
        if (worker_thread.joinable()) {
            session.wait_until([this] { return worker_finished.load(); });
            worker_thread.join();
        }
        start.before_exit(nullptr);
        if (outputs && outputs->finish(std::chrono::seconds(60), end_requested) != 0)
            status = 1;
        outputs.reset();
        return session.demo_failed() ? 1 : status;
    }
};

} // namespace

extern "C" PELDERWICK_EXPORT int pelderwick_app_run(const App_Start& start)
{
    std::optional<Run> run;
    int status = 0;
    try {
        run.emplace(start);
        if (start.options.print_settings)
            return run->session.run_print_settings();
        if (!start.options.reprint.empty())
            return run->reprint();
        if (start.options.output_all)
            return run->list();
        if (start.options.list_chosen)
            return run->session.run_list(
                QString::fromStdString(start.options.list), start.options.printer);
        run->window();
    } catch (const std::exception& error) {
        report_line(error.what());
        if (run)
            run->requests().put(std::nullopt); // the window never said goodbye
        status = 1;
    }
    return run ? run->end(status) : status;
}

static_assert(std::is_same_v<decltype(&pelderwick_app_run), App_Entry>);
