#include "host_run.h"

#include "accounts.h"
#include "libraries.h"
#include "lines.h"
#include "platform.h"
#include "request_fields.h"
#include "start_up.h"
#include "worker.h"

#include <optional>
#include <thread>

namespace {

// Set by the first request to end (a signal, Ctrl+C): the program no longer waits for print jobs.
// Outlives everything, as the thread that sets it may.
std::atomic<bool> end_requested {false};

// All that the worker's thread uses, living until it has been joined.
struct Run
{
    std::unique_ptr<Queue_Bundle> queues = make_std_queue_bundle();
    std::unique_ptr<Event_Bundle> events = make_std_event_bundle();
    Host_Qt host;
    Worker_Library worker;
    Host_Session* session = nullptr;
    std::optional<Accounts> accounts;
    std::atomic<bool> worker_finished {false};
    std::thread worker_thread;

    Std_Queue& requests() { return dynamic_cast<Std_Queue&>((*queues)[channel::receipt]); }
    Event& busy() { return (*events)[channel::receipt]; }

    void start_worker()
    {
        // A press's requests are one batch: closed once the press's turn is over.
        requests().on_batch_opened([this] {
            if (session != nullptr)
                host.after_this_turn(session, [this] { requests().close_batch(); });
        });
        worker_thread = std::thread([this] {
            run_worker(
                requests(), busy(), [this](const Record& r) { accounts->produce(r); },
                [this] { accounts->batch_done(); });
            worker_finished = true;
            host.wake(session);
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
};

// The window with the worker beside it, the demo driving it where asked.
void run_window(Run& run, const Window_Module& window, bool demo)
{
    run.start_worker();
    platform::before_exit([&run] { run.finish_worker(); });
    platform::on_end_request([&run] {
        end_requested = true;
        run.host.close_window(run.session);
    });
    run.host.guard_session_end([&run] { return run.working(); });
    if (demo)
        run.host.start_demo(run.session, run.accounts->progress);
    else
        run.host.offer_print_settings(run.session);
    window.GUI(*run.queues, *run.events);
}

} // namespace

int run_host(Host_Options options)
{
    if (!options.demo && !options.print_settings && !platform::display_available()) {
        say_line("No display here: showing a demo offscreen instead of opening the window.");
        options.demo = true;
    }
    Run run;
    int status = 0;
    try {
        const Window_Module& window = load_window_module();
        run.worker = load_worker_library();
        run.host = load_host_qt();
        run.session = run.host.begin(options.demo);
        if (const std::string trouble = run.worker.settings_trouble(); !trouble.empty())
            run.host.tell(run.session, "Pelderwick：列印設定", trouble);
        if (options.print_settings) {
            run.host.run_print_settings(run.session);
        } else {
            run.accounts.emplace(run.worker, run.host, run.session,
                options.printer.empty() ? run.worker.destination() : options.printer);
            run_window(run, window, options.demo);
        }
    } catch (const std::exception& error) {
        report_line(error.what());
        run.requests().put(std::nullopt); // the window never said goodbye
        status = 1;
    }
    // Notices of what the worker still does are shown while it finishes.
    if (run.session != nullptr && run.worker_thread.joinable())
        run.host.wait_until(run.session, [&run] { return run.worker_finished.load(); });
    if (run.worker_thread.joinable())
        run.worker_thread.join();
    platform::before_exit(nullptr);
    if (run.accounts && run.accounts->finish(std::chrono::seconds(60), end_requested) != 0)
        status = 1;
    run.accounts.reset();
    if (run.session != nullptr && run.host.end(run.session) != 0)
        status = 1;
    return status;
}
