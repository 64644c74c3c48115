// Preloaded into the real programs by bench/startup.py (LD_PRELOAD), so that they are measured
// unchanged. When Qt's application object is created it starts watching the root window:
// - prints "drawn <ns>" once the window's first paint is done,
// - with BENCH_CLICK set: fills the seven recipient rows, presses "輸出單據" and prints
//   "recorded_ms <ms>" when the worker's requests.jsonl holds seven more lines,
// - otherwise idles five seconds and prints "idle_cpu_percent <pct>",
// - then prints "closing <ns>" and closes the window.
// Times are CLOCK_MONOTONIC nanoseconds, the clock of Python's time.monotonic_ns().

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <ctime>
#include <sys/resource.h>

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

int line_count(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? int(file.readAll().count('\n')) : 0;
}

void close_window(QWidget* app)
{
    std::printf("closing %lld\n", monotonic_ns());
    std::fflush(stdout);
    app->close();
}

void measure_click(QWidget* app)
{
    for (int row = 0; row < 7; ++row) {
        for (const char* column : {"收件人姓名", "收件人郵遞區號", "收件人地址"}) {
            auto* cell = app->findChild<QLineEdit*>(
                QString::fromUtf8(column) + QStringLiteral("[%1]").arg(row));
            cell->setText(QStringLiteral("測試%1").arg(row));
        }
    }
    const QString journal
        = QDir::homePath() + QStringLiteral("/brintlow/Pelderwick/requests.jsonl");
    const int before = line_count(journal);
    auto* output = app->findChild<QPushButton*>(QStringLiteral("輸出單據"));
    QElapsedTimer clock;
    clock.start();
    output->click();
    while (line_count(journal) < before + 7 && clock.elapsed() < 5000) { }
    std::printf("recorded_ms %.3f\n", double(clock.nsecsElapsed()) / 1e6);
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
