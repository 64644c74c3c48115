#include "notices.h"

#include <algorithm>

Notice_Board::Notice_Board(Clock::duration quiet, Clock::duration longest)
    : quiet_(quiet)
    , longest_(longest)
{ }

void Notice_Board::add(const std::string& title, const std::string& message, Clock::time_point now)
{
    Burst& burst = bursts_[title];
    if (burst.count++ == 0)
        burst.first = now;
    burst.latest = now;
    burst.last = message;
}

Notice_Board::Clock::time_point Notice_Board::due_at(const Burst& burst) const
{
    return std::min(burst.latest + quiet_, burst.first + longest_);
}

Notice Notice_Board::shown(const std::string& title, const Burst& burst)
{
    if (burst.count == 1)
        return {title, burst.last};
    return {title, "共 " + std::to_string(burst.count) + " 則，最後一則：" + burst.last};
}

std::vector<Notice> Notice_Board::due(Clock::time_point now)
{
    std::vector<Notice> notices;
    for (auto burst = bursts_.begin(); burst != bursts_.end();) {
        if (due_at(burst->second) <= now) {
            notices.push_back(shown(burst->first, burst->second));
            burst = bursts_.erase(burst);
        } else {
            ++burst;
        }
    }
    return notices;
}

std::optional<Notice_Board::Clock::time_point> Notice_Board::next_due() const
{
    std::optional<Clock::time_point> next;
    for (const auto& [title, burst] : bursts_)
        next = std::min(next.value_or(due_at(burst)), due_at(burst));
    return next;
}

std::vector<Notice> Notice_Board::all()
{
    std::vector<Notice> notices;
    for (const auto& [title, burst] : bursts_)
        notices.push_back(shown(title, burst));
    bursts_.clear();
    return notices;
}
