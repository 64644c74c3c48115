#include "channels.h"

#include "request_fields.h"

void Std_Queue::put(Item item)
{
    {
        std::lock_guard lock(mutex_);
        items_.push_back(std::move(item));
    }
    ready_.notify_one();
}

Item Std_Queue::take()
{
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [this] { return !items_.empty(); });
    Item item = std::move(items_.front());
    items_.pop_front();
    return item;
}

std::optional<Item> Std_Queue::try_take(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(mutex_);
    if (!ready_.wait_for(lock, timeout, [this] { return !items_.empty(); }))
        return std::nullopt;
    Item item = std::move(items_.front());
    items_.pop_front();
    return item;
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
