// The program a user starts: it makes the channels, runs the worker beside the window, and ends
// when the window is closed and everything handed to the worker is done. With "--demo", or when
// there is no display, it shows the whole job once by itself, offscreen. Its exit status is not
// 0 when a request was not made (each one is told on standard error and, where the desktop has
// them, in a notification) or the window could not be shown.

#include "exports.h"
#include "libraries.h"
#include "lines.h"
#include "platform.h"
#include "request_fields.h"
#include "start_up.h"
#include "worker.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <thread>

namespace {

// Everything the worker has taken is accounted for: made, or told as not made; logged, or told
// as not logged.
struct Accounts
{
    Worker_Progress progress;
    std::atomic<int> not_made {0};
    std::atomic<int> not_logged {0};
    std::mutex mutex;
    std::set<std::string> told_once;
};

// A name as messages show it: its first 20 characters, and "…" where it goes on (the log has it
// whole).
std::string shown_name(const std::string& name)
{
    if (name.empty())
        return "（無）";
    std::size_t end = 0;
    for (int characters = 0; end < name.size(); ++end) {
        const bool starts_character = (static_cast<unsigned char>(name[end]) & 0xC0) != 0x80;
        if (starts_character && characters++ == 20)
            return name.substr(0, end) + "…";
    }
    return name;
}

void account(const Host_Qt& host, Host_Session* session, Accounts& accounts, const Record& request,
    const Production_Report& report)
{
    const std::string who = "收件人「"
        + shown_name(std::get<std::string>(request.at(request_key::recipient_name))) + "」：";
    if (report.logged)
        ++accounts.progress.logged;
    else
        ++accounts.not_logged;
    if (report.made) {
        ++accounts.progress.made;
    } else {
        ++accounts.not_made;
        host.tell(session, "Pelderwick：信封沒有輸出", who + report.reason);
    }
    for (const Warning& warning : report.warnings) {
        std::lock_guard lock(accounts.mutex);
        if (!warning.once_per_run || accounts.told_once.insert(warning.text).second)
            host.tell(session, "Pelderwick：請注意",
                warning.once_per_run ? warning.text : who + warning.text);
    }
    ++accounts.progress.finished;
}

// What must still happen when a library ends the process from inside the window (Qt does so when
// the display goes away): the worker finishes every request it was handed, before anything of
// the process is torn down.
struct Running
{
    Queue* requests = nullptr;
    std::thread* worker = nullptr;
};
Running running;

void finish_worker_at_exit()
{
    if (running.worker != nullptr && running.worker->joinable()) {
        running.requests->put(std::nullopt);
        running.worker->join();
    }
    stop_lines(std::chrono::seconds(5));
}

// The end of the run in numbers, and its status: not 0 when a request was not made or not logged.
int tell_what_was_not_done(const Accounts& accounts)
{
    const int not_made = accounts.not_made.load();
    const int not_logged = accounts.not_logged.load();
    if (not_made == 0 && not_logged == 0)
        return 0;
    report_line("Pelderwick: " + std::to_string(accounts.progress.finished.load()) + " requests, "
        + std::to_string(not_made) + " of them not made, " + std::to_string(not_logged)
        + " not written in requests.jsonl (see above)");
    return 1;
}

} // namespace

extern "C" PELDERWICK_PROGRAM int pelderwick_main(int argc, char** argv)
{
    platform::prepare_program();
    platform::use_starters_console();
    drop_senseless_scale_factors();
    bool demo = argc > 1 && std::strcmp(argv[1], "--demo") == 0;
    if (!demo && !platform::display_available()) {
        say_line("No display here: showing a demo offscreen instead of opening the window.");
        demo = true;
    }
    auto queues = make_std_queue_bundle();
    auto events = make_std_event_bundle();
    // All that the worker's thread uses lives until it has been joined.
    Host_Qt host;
    Produce_Entry produce = nullptr;
    Host_Session* session = nullptr;
    Accounts accounts;
    std::atomic<bool> worker_finished {false};
    std::thread worker;
    int status = 0;
    try {
        const Window_Module& window = load_window_module();
        produce = load_worker_library();
        host = load_host_qt();
        session = host.begin(demo);
        worker = std::thread([&] {
            run_worker((*queues)[channel::receipt], (*events)[channel::receipt],
                [&](const Record& r) { account(host, session, accounts, r, produce(r)); });
            worker_finished = true;
            host.wake(session);
        });
        running = {&(*queues)[channel::receipt], &worker};
        platform::before_exit(finish_worker_at_exit);
        platform::on_end_request([&] { host.close_window(session); });
        const auto& requests = dynamic_cast<const Std_Queue&>((*queues)[channel::receipt]);
        host.guard_session_end([&] {
            return !worker_finished && ((*events)[channel::receipt].is_set() || requests.size() > 0);
        });
        if (demo)
            host.start_demo(session, accounts.progress);
        window.GUI(*queues, *events);
    } catch (const std::exception& error) {
        report_line(error.what());
        (*queues)[channel::receipt].put(std::nullopt); // the window never said goodbye
        status = 1;
    }
    // Notices of what the worker still does are shown while it finishes.
    if (session != nullptr && worker.joinable())
        host.wait_until(session, [&] { return worker_finished.load(); });
    if (worker.joinable())
        worker.join();
    running = {};
    if (tell_what_was_not_done(accounts) != 0)
        status = 1;
    if (session != nullptr && host.end(session) != 0)
        status = 1;
    stop_lines(std::chrono::seconds(5));
    return status;
}
