// How promptly the window answers, with the real window and the default 500 ms tick:
// - the first progress frame after start, with the worker's event already set (about 500 ms),
// - the time between frames while it stays set (about 500 ms plus the tick's own work),
// - the longest stall of the event loop (a 5 ms heartbeat) while 1,000 presses with seven filled
//   rows are handed to a worker that takes nothing.
//   QT_QPA_PLATFORM=offscreen build-release/bin/responsiveness

#include "gui.h"
#include "request_fields.h"
#include "root_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

QPushButton* output_button(QWidget* app)
{
    return app->findChild<QPushButton*>(QStringLiteral("輸出單據"));
}

void fill_rows(QWidget* app, int press)
{
    for (int row = 0; row < 7; ++row) {
        const QString name
            = QString::fromUtf8(request_key::recipient_name) + QStringLiteral("[%1]").arg(row);
        app->findChild<QLineEdit*>(name)->setText(QStringLiteral("測試%1-%2").arg(press).arg(row));
    }
}

// Watches the caption from a fast timer and records when each new frame appears.
void watch_frames(QWidget* app, const QElapsedTimer& since_start, std::vector<double>& frames,
    const std::function<void()>& done)
{
    auto* watcher = new QTimer(app);
    QObject::connect(watcher, &QTimer::timeout, app, [=, &frames, &since_start] {
        static QString last = QStringLiteral("輸出單據");
        const QString caption = output_button(app)->text();
        if (caption != last) {
            last = caption;
            frames.push_back(double(since_start.nsecsElapsed()) / 1e6);
        }
        if (frames.size() == 5) {
            watcher->stop();
            done();
        }
    });
    watcher->start(1);
}

void press_a_thousand_times(QWidget* app, qint64& largest_gap)
{
    auto* heartbeat = new QTimer(app);
    auto* since_beat = new QElapsedTimer;
    since_beat->start();
    QObject::connect(heartbeat, &QTimer::timeout, app,
        [&largest_gap, since_beat] { largest_gap = std::max(largest_gap, since_beat->restart()); });
    heartbeat->start(5);
    auto press = std::make_shared<std::function<void(int)>>();
    *press = [app, press, heartbeat, since_beat](int count) {
        if (count == 1000) {
            heartbeat->stop();
            delete since_beat;
            app->close();
            return;
        }
        fill_rows(app, count);
        output_button(app)->click();
        QTimer::singleShot(0, app, [press, count] { (*press)(count + 1); });
    };
    (*press)(0);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    auto queues = make_std_queue_bundle();
    auto events = make_std_event_bundle();
    (*events)["get_receipt"].set(); // a worker busy from the start
    std::vector<double> frames;
    qint64 largest_gap = 0;
    QElapsedTimer since_start;
    QTimer::singleShot(0, &application, [&] {
        QWidget* app = shown_root_window();
        watch_frames(app, since_start, frames,
            [app, &largest_gap] { press_a_thousand_times(app, largest_gap); });
    });
    since_start.start();
    std::fflush(stdout);
    std::FILE* quiet = std::freopen("/dev/null", "w", stdout); // the requests' lines
    GUI(*queues, *events);
    std::fclose(quiet);
    std::fprintf(
        stderr, "first progress frame after start: %.1f ms (the tick is 500 ms)\n", frames.at(0));
    for (std::size_t i = 1; i < frames.size(); ++i)
        std::fprintf(stderr, "  next frame after %.1f ms\n", frames[i] - frames[i - 1]);
    std::fprintf(stderr,
        "longest stall of a 5 ms heartbeat over 1,000 presses of 7 rows: %lld ms\n", largest_gap);
    return 0;
}
