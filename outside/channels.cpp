#include "channels.h"

#include "request_fields.h"

#include <utility>

void Std_Queue::put(Item item)
{
    std::function<void()> opened;
    {
        std::lock_guard lock(mutex_);
        items_.push_back({std::move(item), open_batch_});
        if (!std::exchange(batch_opened_, true))
            opened = opened_;
    }
    ready_.notify_all();
    if (opened)
        opened();
}

Item Std_Queue::pop()
{
    Entry entry = std::move(items_.front());
    items_.pop_front();
    taken_batch_ = entry.batch;
    return std::move(entry.item);
}

Item Std_Queue::take()
{
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [this] { return !items_.empty(); });
    return pop();
}

std::optional<Item> Std_Queue::try_take(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(mutex_);
    if (!ready_.wait_for(lock, timeout, [this] { return !items_.empty(); }))
        return std::nullopt;
    return pop();
}

void Std_Queue::on_batch_opened(std::function<void()> opened)
{
    std::lock_guard lock(mutex_);
    opened_ = std::move(opened);
}

void Std_Queue::close_batch()
{
    {
        std::lock_guard lock(mutex_);
        if (!std::exchange(batch_opened_, false))
            return;
        ++open_batch_;
    }
    ready_.notify_all();
}

bool Std_Queue::batch_goes_on(std::chrono::milliseconds patience)
{
    std::unique_lock lock(mutex_);
    ready_.wait_for(lock, patience,
        [this] { return !items_.empty() || open_batch_ != taken_batch_ || !batch_opened_; });
    return !items_.empty() && items_.front().batch == taken_batch_ && items_.front().item;
}

std::size_t Std_Queue::size() const
{
    std::lock_guard lock(mutex_);
    return items_.size();
}

bool Std_Event::is_set() const
{
    std::lock_guard lock(mutex_);
    return flag_;
}

void Std_Event::set()
{
    {
        std::lock_guard lock(mutex_);
        flag_ = true;
    }
    changed_.notify_all();
}

void Std_Event::clear()
{
    std::lock_guard lock(mutex_);
    flag_ = false;
}

bool Std_Event::wait(std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return flag_; });
}

namespace {
const char* const channel_names[] = {channel::receipt, channel::end};
}

std::unique_ptr<Queue_Bundle> make_std_queue_bundle()
{
    auto bundle = std::make_unique<Queue_Bundle>();
    for (const char* name : channel_names)
        bundle->add(name, std::make_shared<Std_Queue>());
    return bundle;
}

std::unique_ptr<Event_Bundle> make_std_event_bundle()
{
    auto bundle = std::make_unique<Event_Bundle>();
    for (const char* name : channel_names)
        bundle->add(name, std::make_shared<Std_Event>());
    return bundle;
}

std::vector<Record> Std_Queue::rest_of_batch(std::chrono::milliseconds patience)
{
    std::unique_lock lock(mutex_);
    ready_.wait_for(lock, patience, [this] { return open_batch_ != taken_batch_; });
    std::vector<Record> rest;
    for (const Entry& entry : items_) {
        if (entry.batch != taken_batch_ || !entry.item)
            break;
        rest.push_back(*entry.item);
    }
    return rest;
}
