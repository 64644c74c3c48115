#pragma once

// The desktop's notifications, kept few: what the host tells comes in bursts (seven rows of one
// press failing alike, a hundred presses at a folder it cannot use). Notices of one kind (their
// title) that come close together are shown as one, once the burst is over or has lasted a few
// seconds, counting how many there were and giving the last. Every notice is also on standard
// error and in the log; the notifications only draw the user there.

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

struct Notice
{
    std::string title;
    std::string message;
};

class Notice_Board
{
public:
    using Clock = std::chrono::steady_clock;

    // A burst ends when a kind has been quiet for `quiet`; one is shown at the latest `longest`
    // after its first notice.
    explicit Notice_Board(Clock::duration quiet = std::chrono::milliseconds(800),
        Clock::duration longest = std::chrono::seconds(4));

    void add(const std::string& title, const std::string& message, Clock::time_point now);

    // The notifications due at `now`, one per kind whose burst is over; they leave the board.
    std::vector<Notice> due(Clock::time_point now);

    // When the next one falls due; nothing when the board is empty.
    std::optional<Clock::time_point> next_due() const;

    // Everything on the board, due or not, as at the end of the run.
    std::vector<Notice> all();

private:
    struct Burst
    {
        std::string last;
        int count = 0;
        Clock::time_point first;
        Clock::time_point latest;
    };

    Clock::time_point due_at(const Burst& burst) const;
    static Notice shown(const std::string& title, const Burst& burst);

    Clock::duration quiet_;
    Clock::duration longest_;
    std::map<std::string, Burst> bursts_;
};
