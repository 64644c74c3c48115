#pragma once

// The channels a host shares with the worker: bundles of named queues and events. The window only
// puts on queues and asks or sets events; taking, clearing and waiting are for the host and worker.
// A host may bring its own channel kinds by implementing Queue and Event.

#include "record.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

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

// Unbounded, thread-safe, first in first out. The items are put in batches (the requests of one
// press): a batch opens with the first item put after the last one closed, and stays open until
// `close_batch`; a host closes it once the window's turn that put the items is over.
class Std_Queue final : public Queue
{
public:
    void put(Item item) override;
    Item take() override;
    std::optional<Item> try_take(std::chrono::milliseconds timeout) override;
    std::size_t size() const; // items waiting

    // Called on the putting thread, outside the lock, when a put opens a batch.
    void on_batch_opened(std::function<void()> opened);
    void close_batch();
    // After a take: whether the next item belongs to the batch of the one taken. Waits for the
    // next item or the batch's close, at most `patience`; a batch nobody closes then ends.
    bool batch_goes_on(std::chrono::milliseconds patience);
    // After a take: the items of its batch still waiting, once the batch is closed (at most
    // `patience` to wait), copied; they stay in the queue.
    std::vector<Record> rest_of_batch(std::chrono::milliseconds patience);

private:
    struct Entry
    {
        Item item;
        unsigned long long batch;
    };
    Item pop(); // locked, with an item there

    mutable std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Entry> items_;
    unsigned long long open_batch_ = 0; // the batch items are put in
    bool batch_opened_ = false; // something was put in it
    unsigned long long taken_batch_ = 0; // the batch of the item taken last
    std::function<void()> opened_;
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
