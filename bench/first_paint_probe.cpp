// Preloaded into the real programs by bench/run.py (LD_PRELOAD), so that they are measured
// unchanged. When Qt's application object is created it starts watching the root window:
// - prints "drawn <ns>" once the window's first paint is done,
// - with BENCH_CLICK set: fills the seven recipient rows, presses "輸出單據" and prints
//   "queued_first_ms <ms>" when the press has handed its seven requests over (the hand-over
//   happens inside the press) and "pdf_first_ms <ms>" when seven more complete PDF envelopes
//   are in the output folder; then the same for a second press ("queued_next_ms",
//   "pdf_next_ms"),
// - otherwise idles five seconds and prints "idle_cpu_percent <pct>",
// - then prints "closing <ns>" and closes the window.
// Times are CLOCK_MONOTONIC nanoseconds, the clock of Python's time.monotonic_ns().

#include "request_fields.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <thread>

namespace {

long long monotonic_ns()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1'000'000'000LL + now.tv_nsec;
}

double cpu_seconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](timeval t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Envelopes whose writer has finished them: a PDF ends with its end-of-file marker.
int complete_pdf_count(const QDir& folder)
{
    int count = 0;
    for (const QString& name : folder.entryList({QStringLiteral("*.pdf")}, QDir::Files)) {
        QFile file(folder.filePath(name));
        if (file.open(QIODevice::ReadOnly) && file.size() > 16) {
            file.seek(file.size() - 16);
            count += file.read(16).contains("%%EOF");
        }
    }
    return count;
}

// Polls until `reached` or five seconds, and prints the time since `clock` started.
void report_when(
    const char* figure, const QElapsedTimer& clock, const std::function<bool()>& reached)
{
    while (!reached() && clock.elapsed() < 5000)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    std::printf("%s %.3f\n", figure, double(clock.nsecsElapsed()) / 1e6);
}

void close_window(QWidget* app)
{
    std::printf("closing %lld\n", monotonic_ns());
    std::fflush(stdout);
    app->close();
}

void fill_rows(QWidget* app, int press)
{
    for (int row = 0; row < 7; ++row) {
        for (const char* column : {request_key::recipient_name, request_key::recipient_postal_code,
                 request_key::recipient_address}) {
            auto* cell = app->findChild<QLineEdit*>(
                QString::fromUtf8(column) + QStringLiteral("[%1]").arg(row));
            cell->setText(QStringLiteral("測試%1-%2").arg(press).arg(row));
        }
    }
}

// One press with seven filled rows: the time until its requests are handed over (inside the
// press) and until the seven envelopes are complete.
void measure_press(QWidget* app, const char* which)
{
    const QDir folder(QDir::homePath() + QStringLiteral("/brintlow/Pelderwick/"));
    const int before = complete_pdf_count(folder);
    auto* output = app->findChild<QPushButton*>(QStringLiteral("輸出單據"));
    QElapsedTimer clock;
    clock.start();
    output->click();
    std::printf("queued_%s_ms %.3f\n", which, double(clock.nsecsElapsed()) / 1e6);
    report_when(("pdf_" + std::string(which) + "_ms").c_str(), clock,
        [&] { return complete_pdf_count(folder) >= before + 7; });
}

// The first press of a session also loads the envelope fonts; the next one does not.
void measure_click(QWidget* app)
{
    fill_rows(app, 1);
    measure_press(app, "first");
    fill_rows(app, 2);
    measure_press(app, "next");
    close_window(app);
}

void after_first_paint(QWidget* app)
{
    std::printf("drawn %lld\n", monotonic_ns());
    std::fflush(stdout);
    if (qEnvironmentVariableIsSet("BENCH_CLICK")) {
        QTimer::singleShot(200, app, [app] { measure_click(app); });
        return;
    }
    const double before = cpu_seconds();
    QTimer::singleShot(5000, app, [app, before] {
        std::printf("idle_cpu_percent %.3f\n", (cpu_seconds() - before) / 5.0 * 100);
        close_window(app);
    });
}

class First_Paint : public QObject
{
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (seen_ || event->type() != QEvent::Paint || watched->objectName() != "app")
            return false;
        seen_ = true;
        auto* app = static_cast<QWidget*>(watched);
        // Once this paint has been handled the whole window is on screen.
        QTimer::singleShot(0, app, [app] { after_first_paint(app); });
        return false;
    }

private:
    bool seen_ = false;
};

void watch()
{
    qApp->installEventFilter(new First_Paint);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(watch)
