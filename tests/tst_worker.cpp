// The worker between the channels: order, the busy event, failures, the end. No Qt widgets, so
// that it also runs under ThreadSanitizer.

#include "worker.h"

#include <QTest>
#include <atomic>
#include <thread>

using namespace std::chrono_literals;

namespace {

Record numbered(long long n)
{
    Record r;
    r["n"] = n;
    return r;
}

} // namespace

class Tst_Worker : public QObject
{
    Q_OBJECT

private slots:
    void requests_are_produced_once_each_in_order_until_the_empty_item()
    {
        Std_Queue queue;
        Std_Event busy;
        std::vector<long long> produced;
        std::thread worker([&] {
            run_worker(queue, busy, [&](const Record& r) {
                QVERIFY(busy.is_set());
                produced.push_back(std::get<long long>(r.at("n")));
            });
        });
        for (long long n = 0; n < 5000; ++n)
            queue.put(numbered(n));
        queue.put(std::nullopt);
        queue.put(numbered(-1)); // after the end: never taken
        worker.join();
        QCOMPARE(produced.size(), std::size_t(5000));
        for (long long n = 0; n < 5000; ++n)
            QCOMPARE(produced[std::size_t(n)], n);
        QVERIFY(!busy.is_set());
        QCOMPARE(queue.take(), Item(numbered(-1)));
    }

    void requests_handed_over_together_are_one_batch()
    {
        Std_Queue queue;
        Std_Event busy;
        std::atomic<bool> release {false};
        std::vector<std::vector<long long>> batches(1);
        std::thread worker([&] {
            run_worker(
                queue, busy,
                [&](const Record& r) {
                    while (!release)
                        std::this_thread::sleep_for(1ms);
                    batches.back().push_back(std::get<long long>(r.at("n")));
                },
                [&] {
                    QVERIFY(busy.is_set());
                    batches.emplace_back();
                });
        });
        for (long long n = 0; n < 7; ++n) // one press of seven rows
            queue.put(numbered(n));
        release = true;
        QTRY_COMPARE(batches.size(), std::size_t(2));
        release = false;
        for (long long n = 7; n < 10; ++n) // the next press
            queue.put(numbered(n));
        queue.put(std::nullopt);
        release = true;
        worker.join();
        QCOMPARE(
            batches, (std::vector<std::vector<long long>> {{0, 1, 2, 3, 4, 5, 6}, {7, 8, 9}, {}}));
        QVERIFY(!busy.is_set());
    }

    void presses_waiting_together_stay_batches_of_their_own()
    {
        Std_Queue queue;
        Std_Event busy;
        std::atomic<bool> release {false};
        std::atomic<int> opened {0};
        queue.on_batch_opened([&] { ++opened; });
        std::vector<std::vector<long long>> batches(1);
        std::thread worker([&] {
            run_worker(
                queue, busy,
                [&](const Record& r) {
                    while (!release)
                        std::this_thread::sleep_for(1ms);
                    batches.back().push_back(std::get<long long>(r.at("n")));
                },
                [&] { batches.emplace_back(); });
        });
        // Three presses while the worker is still at the first: each closed once its turn is
        // over, the last closed only after the worker reached it.
        for (long long press : {0, 1, 2}) {
            for (long long n = press * 10; n < press * 10 + 3; ++n)
                queue.put(numbered(n));
            if (press < 2)
                queue.close_batch();
        }
        release = true;
        QTRY_COMPARE(batches.back().size(), std::size_t(3));
        queue.close_batch();
        QTRY_COMPARE(batches.size(), std::size_t(4));
        QCOMPARE(opened.load(), 3);
        queue.put(std::nullopt);
        worker.join();
        QCOMPARE(batches,
            (std::vector<std::vector<long long>> {{0, 1, 2}, {10, 11, 12}, {20, 21, 22}, {}}));
        QVERIFY(!busy.is_set());
    }

    void busy_event_is_set_only_while_producing()
    {
        Std_Queue queue;
        Std_Event busy;
        std::atomic<bool> release {false};
        std::thread worker([&] {
            run_worker(queue, busy, [&](const Record&) {
                while (!release)
                    std::this_thread::sleep_for(1ms);
            });
        });
        QVERIFY(!busy.is_set());
        queue.put(numbered(1));
        QVERIFY(busy.wait(5s));
        release = true;
        queue.put(std::nullopt);
        worker.join();
        QVERIFY(!busy.is_set());
    }

    void failing_request_does_not_stop_the_worker()
    {
        Std_Queue queue;
        Std_Event busy;
        std::vector<long long> produced;
        std::thread worker([&] {
            run_worker(queue, busy, [&](const Record& r) {
                const long long n = std::get<long long>(r.at("n"));
                if (n % 2 == 0)
                    throw std::runtime_error("jammed");
                produced.push_back(n);
            });
        });
        for (long long n = 0; n < 6; ++n)
            queue.put(numbered(n));
        queue.put(std::nullopt);
        worker.join();
        QCOMPARE(produced, (std::vector<long long> {1, 3, 5}));
    }

    void several_producers_lose_nothing()
    {
        Std_Queue queue;
        Std_Event busy;
        std::atomic<long long> sum {0};
        std::atomic<int> count {0};
        std::thread worker([&] {
            run_worker(queue, busy, [&](const Record& r) {
                sum += std::get<long long>(r.at("n"));
                ++count;
            });
        });
        std::vector<std::thread> producers;
        for (int p = 0; p < 4; ++p) {
            producers.emplace_back([&, p] {
                for (long long n = 0; n < 1000; ++n)
                    queue.put(numbered(p * 1000 + n));
            });
        }
        for (auto& producer : producers)
            producer.join();
        queue.put(std::nullopt);
        worker.join();
        QCOMPARE(count.load(), 4000);
        QCOMPARE(sum.load(), 4000LL * 3999 / 2);
    }
};

QTEST_GUILESS_MAIN(Tst_Worker)
#include "tst_worker.moc"
