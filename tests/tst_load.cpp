// Output under load: a thousand clicks with all seven rows filled, the worker stopped, slow or
// normal. Every request arrives exactly once, in click and row order, holding its own row; the
// shutdown items come last. (How long the event loop stalls meanwhile: bench/responsiveness.)

#include "window_driver.h"
#include "worker.h"

#include <QTest>
#include <QTimer>
#include <thread>

namespace {

constexpr int clicks = 1000;

std::string address(int click, int row)
{
    return "c" + std::to_string(click) + "-r" + std::to_string(row);
}

// Clicks one at a time from the event loop, so that timers and painting run in between.
void click_repeatedly(QWidget* app, int click, const std::function<void()>& done)
{
    if (click == clicks) {
        done();
        return;
    }
    for (int row = 0; row < 7; ++row) {
        cell(app, "收件人姓名", row)->setText(QStringLiteral("姓名%1").arg(row));
        cell(app, "收件人地址", row)->setText(QString::fromStdString(address(click, row)));
    }
    button(app, "輸出單據")->click();
    QTimer::singleShot(0, app, [=] { click_repeatedly(app, click + 1, done); });
}

} // namespace

class Tst_Load : public QObject
{
    Q_OBJECT

private slots:
    void thousand_clicks_deliver_every_request_once_in_order_data()
    {
        QTest::addColumn<int>("work_us"); // per request; -1: the worker is stopped
        QTest::newRow("worker stopped") << -1;
        QTest::newRow("slow worker") << 200;
        QTest::newRow("normal worker") << 0;
    }
    void thousand_clicks_deliver_every_request_once_in_order()
    {
        QFETCH(int, work_us);
        Recorded_Channels channels;
        std::vector<std::string> produced;
        std::thread worker;
        if (work_us >= 0) {
            worker = std::thread([&] {
                run_worker(
                    *channels.get_receipt_queue, *channels.get_receipt_event, [&](const Record& r) {
                        std::this_thread::sleep_for(std::chrono::microseconds(work_us));
                        produced.push_back(std::get<std::string>(r.at("收件人地址")));
                    });
            });
        }
        {
            Stdout_Capture quiet;
            run_window(channels, [&](QWidget* app) {
                bool finished = false;
                click_repeatedly(app, 0, [&] { finished = true; });
                QTRY_VERIFY_WITH_TIMEOUT(finished, 120000);
            });
        }
        if (worker.joinable())
            worker.join();

        const auto entries = channels.journal->entries();
        QCOMPARE(entries.size(), std::size_t(clicks * 7 + 3));
        QCOMPARE(std::vector<std::string>(entries.end() - 3, entries.end()),
            (std::vector<std::string> {"put end null", "set end", "put get_receipt null"}));
        const auto requests = channels.journal->requests();
        for (int click = 0; click < clicks; ++click) {
            for (int row = 0; row < 7; ++row) {
                const Record& request = requests[std::size_t(click * 7 + row)];
                QCOMPARE(std::get<std::string>(request.at("收件人地址")), address(click, row));
                QCOMPARE(
                    std::get<std::string>(request.at("收件人姓名")), "姓名" + std::to_string(row));
            }
        }
        if (work_us < 0) {
            // Nobody took anything: the queue still holds it all, the empty item last.
            for (int i = 0; i < clicks * 7; ++i)
                QVERIFY(channels.get_receipt_queue->take().has_value());
            QCOMPARE(channels.get_receipt_queue->take(), Item());
        } else {
            QCOMPARE(produced.size(), std::size_t(clicks * 7));
            QCOMPARE(produced.back(), address(clicks - 1, 6));
        }
    }
};

QTEST_MAIN(Tst_Load)
#include "tst_load.moc"
