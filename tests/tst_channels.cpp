// The channels a host shares with the worker: order, no loss across threads, events, lookups.

#include "channels.h"

#include <QTest>
#include <thread>

using namespace std::chrono_literals;

class Tst_Channels : public QObject
{
    Q_OBJECT

private slots:
    void queue_is_first_in_first_out_with_the_empty_item()
    {
        Std_Queue queue;
        Record request;
        request["收件人姓名"] = std::string("甲");
        queue.put(request);
        queue.put(std::nullopt);
        QCOMPARE(queue.take(), Item(request));
        QCOMPARE(queue.take(), Item());
        QVERIFY(!queue.try_take(10ms).has_value());
    }

    void put_never_blocks_and_a_consumer_thread_loses_nothing()
    {
        Std_Queue queue;
        constexpr int count = 20000;
        std::vector<long long> received;
        std::thread consumer([&] {
            while (Item item = queue.take())
                received.push_back(std::get<long long>(item->at("n")));
        });
        for (long long n = 0; n < count; ++n) {
            Record record;
            record["n"] = n;
            queue.put(record);
        }
        queue.put(std::nullopt);
        consumer.join();
        QCOMPARE(received.size(), std::size_t(count));
        for (long long n = 0; n < count; ++n)
            QCOMPARE(received[std::size_t(n)], n);
    }

    void event_set_clear_and_wait()
    {
        Std_Event event;
        QVERIFY(!event.is_set());
        QVERIFY(!event.wait(5ms));
        std::thread setter([&] { event.set(); });
        QVERIFY(event.wait(5s));
        setter.join();
        QVERIFY(event.is_set());
        event.clear();
        QVERIFY(!event.is_set());
    }

    void bundles_find_their_channels_by_name()
    {
        auto queues = make_std_queue_bundle();
        auto events = make_std_event_bundle();
        (*queues)["get_receipt"].put(std::nullopt);
        QCOMPARE((*queues)["get_receipt"].take(), Item());
        (*events)["end"].set();
        QVERIFY((*events)["end"].is_set());
        QVERIFY(!(*events)["get_receipt"].is_set());
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, (*queues)["other"]);
    }

    void placeholder_bundles_fail_every_lookup()
    {
        Placeholder_Bundle<Queue> queues;
        Placeholder_Bundle<Event> events;
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, queues["get_receipt"]);
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, events["end"]);
    }
};

QTEST_GUILESS_MAIN(Tst_Channels)
#include "tst_channels.moc"
