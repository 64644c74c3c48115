#include "lines.h"

#include "platform.h"

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
    bool writing = false;
    bool started = false;
};

// Never destroyed: its thread may still be writing while the process ends.
Writer& writer()
{
    static auto* const the_writer = new Writer;
    return *the_writer;
}

[[noreturn]] void write_lines(Writer& w)
{
    platform::ignore_broken_pipes_in_this_thread();
    std::unique_lock lock(w.mutex);
    for (;;) {
        w.changed.wait(lock, [&] { return !w.waiting.empty(); });
        const Line line = std::move(w.waiting.front());
        w.waiting.pop_front();
        w.writing = true;
        lock.unlock();
        platform::write_line(line.stream, line.text);
        lock.lock();
        w.writing = false;
        w.changed.notify_all();
    }
}

void at_exit()
{
    finish_lines(std::chrono::seconds(5));
}

void hand_over(std::FILE* stream, const std::string& text)
{
    Writer& w = writer();
    {
        std::lock_guard lock(w.mutex);
        if (!w.started) {
            try {
                std::thread(write_lines, std::ref(w)).detach();
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
    return w.changed.wait_for(lock, patience, [&] { return w.waiting.empty() && !w.writing; });
}
