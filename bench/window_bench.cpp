// The stand-alone window, instrumented from outside the module: prints when the root window has
// finished its first paint, the CPU used while idle for five seconds with the tick running, and
// when it asks the window to close. bench/startup.py turns these into figures.

#include "gui.h"

#include <QApplication>
#include <QEvent>
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

class First_Paint : public QObject
{
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (seen_ || event->type() != QEvent::Paint || watched->objectName() != "app")
            return false;
        seen_ = true;
        auto* app = static_cast<QWidget*>(watched);
        // After this paint event has been handled, the whole window is on screen.
        QTimer::singleShot(0, app, [app] {
            std::printf("drawn %lld\n", monotonic_ns());
            std::fflush(stdout);
            const double before = cpu_seconds();
            QTimer::singleShot(5000, app, [app, before] {
                std::printf("idle_cpu_percent %.3f\n", (cpu_seconds() - before) / 5.0 * 100);
                std::printf("closing %lld\n", monotonic_ns());
                std::fflush(stdout);
                app->close();
            });
        });
        return false;
    }

private:
    bool seen_ = false;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    First_Paint watcher;
    application.installEventFilter(&watcher);
    run_stand_alone();
    return 0;
}
