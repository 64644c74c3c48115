#pragma once

// The channels a host shares with the worker: bundles of named queues and events. The window only
// puts on queues and asks or sets events; taking, clearing and waiting are for the host and worker.
// A host may bring its own channel kinds by implementing Queue and Event.

#include "record.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

// A queue item: a record, or the empty item that holds nothing.
using Item = std::optional<Record>;

class Queue
{
public:
    virtual ~Queue() = default;
    virtual void put(Item item) = 0; // returns at once
    virtual Item take() = 0; // blocks until an item is there
    virtual std::optional<Item> try_take(std::chrono::milliseconds timeout) = 0;
};

class Event
{
public:
    virtual ~Event() = default;
    virtual bool is_set() const = 0;
    virtual void set() = 0;
    virtual void clear() = 0;
    virtual bool wait(std::chrono::milliseconds timeout) const = 0; // true once set
};

// Unbounded, thread-safe, first in first out.
class Std_Queue final : public Queue
{
public:
    void put(Item item) override;
    Item take() override;
    std::optional<Item> try_take(std::chrono::milliseconds timeout) override;
    std::size_t size() const; // items waiting

private:
    mutable std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Item> items_;
};

class Std_Event final : public Event
{
public:
    bool is_set() const override;
    void set() override;
    void clear() override;
    bool wait(std::chrono::milliseconds timeout) const override;

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool flag_ = false;
};

// Channels of one kind looked up by name; an unknown name fails with std::out_of_range.
template <typename Channel> class Bundle
{
public:
    virtual ~Bundle() = default;

    virtual Channel& operator[](const std::string& name)
    {
        auto found = channels_.find(name);
        if (found == channels_.end())
            throw std::out_of_range("no channel named '" + name + "'");
        return *found->second;
    }

    void add(const std::string& name, std::shared_ptr<Channel> channel)
    {
        channels_[name] = std::move(channel);
    }

private:
    std::map<std::string, std::shared_ptr<Channel>> channels_;
};

using Queue_Bundle = Bundle<Queue>;
using Event_Bundle = Bundle<Event>;

// What stand-alone mode passes instead of real bundles: the text "X", which has no channels.
template <typename Channel> class Placeholder_Bundle final : public Bundle<Channel>
{
public:
    Channel& operator[](const std::string& name) override
    {
        throw std::invalid_argument("placeholder \"X\" has no channel '" + name + "'");
    }
};

// The bundles a host makes: queues and events "get_receipt" and "end".
std::unique_ptr<Queue_Bundle> make_std_queue_bundle();
std::unique_ptr<Event_Bundle> make_std_event_bundle();
