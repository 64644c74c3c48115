#include "lines.h"

#include "platform.h"

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>

namespace {

struct Line
{
    std::FILE* stream;
    std::string text;
};

struct Writer
{
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Line> waiting;
    std::atomic<bool> front_written {false}; // and not yet taken off the queue
    bool started = false;
    bool stopping = false;
    std::thread thread;
};

// Never destroyed: its thread may still be writing while the process ends.
Writer& writer()
{
    static auto* const the_writer = new Writer;
    return *the_writer;
}

void write_lines(Writer& w)
{
    platform::ignore_broken_pipes_in_this_thread();
    std::unique_lock lock(w.mutex);
    for (;;) {
        w.changed.wait(lock, [&] { return !w.waiting.empty() || w.stopping; });
        if (w.waiting.empty())
            return;
        // A line leaves the queue only once written, so that a thread ended in the middle of it
        // loses nothing (see at_exit).
        const Line line = w.waiting.front();
        lock.unlock();
        platform::write_line(line.stream, line.text);
        w.front_written = true;
        lock.lock();
        w.waiting.pop_front();
        w.front_written = false;
        w.changed.notify_all();
    }
}

// The end of the process lets the waiting lines out. Where the writing thread is already gone by
// then, they are written from here, the one thread left.
void at_exit()
{
    if (!platform::library_exit_runs_alone()) {
        finish_lines(std::chrono::seconds(5));
        return;
    }
    Writer& w = writer();
    std::unique_lock lock(w.mutex, std::try_to_lock); // its owner may have ended holding it
    auto line = w.waiting.begin();
    if (line != w.waiting.end() && w.front_written)
        ++line;
    for (; line != w.waiting.end(); ++line)
        platform::write_line(line->stream, line->text);
    w.waiting.clear();
}

void hand_over(std::FILE* stream, const std::string& text)
{
    Writer& w = writer();
    {
        std::lock_guard lock(w.mutex);
        if (!w.started && !w.stopping) {
            try {
                w.thread = std::thread(write_lines, std::ref(w));
                w.started = true;
                std::atexit(at_exit);
            } catch (...) {
                // No thread to be had: this line is written by its caller.
            }
        }
        if (w.started) {
            w.waiting.push_back({stream, text});
            w.changed.notify_all();
            return;
        }
    }
    platform::write_line(stream, text);
}

} // namespace

void say_line(const std::string& line)
{
    hand_over(stdout, line);
}

void report_line(const std::string& line)
{
    hand_over(stderr, line);
}

bool finish_lines(std::chrono::milliseconds patience)
{
    Writer& w = writer();
    std::unique_lock lock(w.mutex);
    return w.changed.wait_for(lock, patience, [&] { return w.waiting.empty(); });
}

void stop_lines(std::chrono::milliseconds patience)
{
    Writer& w = writer();
    std::unique_lock lock(w.mutex);
    // A writer stuck on a reader that never reads is left alone: the lines still wait for it.
    if (!w.changed.wait_for(lock, patience, [&] { return w.waiting.empty(); }))
        return;
    w.stopping = true;
    w.started = false;
    w.changed.notify_all();
    lock.unlock();
    if (w.thread.joinable())
        w.thread.join();
}
