#pragma once

// The host's Qt side, a library of its own so that the host program links no Qt and can run the
// start-up checks first. It owns the application object, which outlives the window so that the
// worker can finish after the window has closed; it tells the user what was not made, closes the
// window when the process is asked to end, and runs the demo.

#include <atomic>
#include <functional>
#include <mutex>
#include <string>

struct Host_Session;

// How far the worker has come with the requests handed to it.
struct Worker_Progress
{
    std::atomic<int> finished {0}; // made or not
    std::atomic<int> made {0};
    std::atomic<int> logged {0}; // its line written in the log

    // The log the lines went to when it is not requests.jsonl (another account's, on Windows).
    void note_log_file(const std::string& name)
    {
        const std::lock_guard lock(mutex_);
        log_file_ = name;
    }
    std::string log_file() const
    {
        const std::lock_guard lock(mutex_);
        return log_file_.empty() ? "requests.jsonl" : log_file_;
    }

private:
    mutable std::mutex mutex_;
    std::string log_file_;
};

struct Host_Qt
{
    // The application object, on the calling (main) thread, offscreen when asked.
    Host_Session* (*begin)(bool offscreen) = nullptr;
    // Once the window is shown: fills it, presses "輸出單據", waits until the worker is done with
    // the three requests, saves a picture of the window beside the envelopes and closes it.
    void (*start_demo)(Host_Session* session, const Worker_Progress& progress) = nullptr;
    // From any thread: one line on standard error, and the desktop's notification where the
    // desktop has one; nothing fails where it has none.
    void (*tell)(Host_Session* session, const std::string& title, const std::string& message)
        = nullptr;
    // From the window's thread: `work` runs there once what runs now is over (a press's turn).
    void (*after_this_turn)(Host_Session* session, std::function<void()> work) = nullptr;
    // From any thread: closes the window as its close button does.
    void (*close_window)(Host_Session* session) = nullptr;
    // After the window has closed: runs the events (notifications) until `done` holds.
    void (*wait_until)(Host_Session* session, const std::function<bool()>& done) = nullptr;
    // From any thread: a running `wait_until` looks at `done` again at once.
    void (*wake)(Host_Session* session) = nullptr;
    // While `working` holds, the desktop's end of the session (logging off, shutting down) is
    // refused with a reason, so that no request is lost to it.
    void (*guard_session_end)(const std::function<bool()>& working) = nullptr;
    // Once the window is shown: the program's icon in the notification area, whose menu opens
    // the print settings; the first time on a machine with a printer, a notice that says so.
    void (*offer_print_settings)(Host_Session* session) = nullptr;
    // The print settings' window alone, until it is closed.
    int (*run_print_settings)(Host_Session* session) = nullptr;
    // Destroys the application object; non-zero when the demo could not do all it should.
    int (*end)(Host_Session* session) = nullptr;
};

inline constexpr char host_qt_begin_name[] = "pelderwick_host_begin";
inline constexpr char host_qt_start_demo_name[] = "pelderwick_host_start_demo";
inline constexpr char host_qt_tell_name[] = "pelderwick_host_tell";
inline constexpr char host_qt_after_this_turn_name[] = "pelderwick_host_after_this_turn";
inline constexpr char host_qt_close_window_name[] = "pelderwick_host_close_window";
inline constexpr char host_qt_wait_until_name[] = "pelderwick_host_wait_until";
inline constexpr char host_qt_wake_name[] = "pelderwick_host_wake";
inline constexpr char host_qt_guard_session_end_name[] = "pelderwick_host_guard_session_end";
inline constexpr char host_qt_offer_print_settings_name[] = "pelderwick_host_offer_print_settings";
inline constexpr char host_qt_run_print_settings_name[] = "pelderwick_host_run_print_settings";
inline constexpr char host_qt_end_name[] = "pelderwick_host_end";
