#include "followed_jobs.h"

#include <map>
#include <vector>

Followed_Jobs::Followed_Jobs(Print_Service& printing, Heard heard)
    : printing_(printing)
    , heard_(std::move(heard))
    , follower_([this] { run(); })
{ }

Followed_Jobs::~Followed_Jobs()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (follower_.joinable())
        follower_.join();
}

void Followed_Jobs::follow(Job job)
{
    {
        std::lock_guard lock(mutex_);
        followed_.push_back({std::move(job), {}, {}});
    }
    changed_.notify_all();
}

void Followed_Jobs::run()
{
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        changed_.wait_for(lock, std::chrono::seconds(1), [this] { return stopping_; });
        if (!stopping_ && !followed_.empty())
            look(lock);
    }
}

// Asks the print system about the jobs followed, each printer once, with the lock released;
// what is heard is passed on with it released too.
void Followed_Jobs::look(std::unique_lock<std::mutex>& lock)
{
    std::map<std::string, std::vector<int>> asked;
    for (const Followed& followed : followed_)
        asked[followed.job.printed.printer].push_back(followed.job.printed.job);
    lock.unlock();
    std::map<std::string, std::map<int, Job_State>> told;
    for (const auto& [printer, jobs] : asked)
        told[printer] = printing_.job_states(printer, jobs);
    lock.lock();
    std::vector<std::pair<Job, Job_State>> news;
    for (auto followed = followed_.begin(); followed != followed_.end();) {
        const auto& states = told[followed->job.printed.printer];
        const auto state = states.find(followed->job.printed.job);
        if (state == states.end()) { // handed over meanwhile
            ++followed;
            continue;
        }
        const Job_State& now = state->second;
        followed->last_word = now.stage == Job_State::Stage::unanswered ? now.reason : "";
        if (now.stage == Job_State::Stage::held && now.reason != followed->held)
            news.emplace_back(followed->job, now);
        if (now.stage == Job_State::Stage::held || now.stage == Job_State::Stage::going)
            followed->held = now.stage == Job_State::Stage::held ? now.reason : "";
        if (!now.ended()) {
            ++followed;
            continue;
        }
        news.emplace_back(std::move(followed->job), now);
        followed = followed_.erase(followed);
    }
    lock.unlock();
    for (const auto& [job, state] : news)
        heard_(job, state);
    lock.lock();
    changed_.notify_all();
}

void Followed_Jobs::finish(std::chrono::milliseconds patience, const std::atomic<bool>& hurry)
{
    const auto until = std::chrono::steady_clock::now() + patience;
    std::unique_lock lock(mutex_);
    while (!followed_.empty() && !hurry && std::chrono::steady_clock::now() < until)
        changed_.wait_for(lock, std::chrono::milliseconds(100));
    std::list<Followed> left;
    left.swap(followed_);
    stopping_ = true;
    lock.unlock();
    changed_.notify_all();
    for (const Followed& followed : left) {
        const std::string why = !followed.last_word.empty() ? followed.last_word
            : !followed.held.empty()
            ? followed.held + "；程式結束時還沒有印完，列印系統還留著這份工作"
            : "程式結束時還沒有印完，列印系統還留著這份工作";
        heard_(followed.job, {Job_State::Stage::unknown, why});
    }
    // What the follower was passing on when it was stopped comes before this returns.
    follower_.join();
}
