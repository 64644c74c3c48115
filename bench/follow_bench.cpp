// Following print jobs: what the print system's scheduler spends answering, in CPU time, while
// the jobs waiting on a queue are followed, against the way it was asked before (the whole
// history of jobs, once for every job followed, twice a second). Needs the tests' print system
// (tools/print-system start), a history and jobs to follow:
//   for i in $(seq 400); do lp -d EnvNull /etc/hostname; done      # completed: the history
//   for i in $(seq 60); do lp -d EnvSlow -H hold /etc/hostname; done # held: followed
//   CUPS_SERVER=$(bash tools/print-system server) build-release/bin/follow_bench [seconds]

#include "print_jobs.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <chrono>
#include <cstdio>
#include <cups/cups.h>
#include <thread>
#include <unistd.h>

namespace {

// The scheduler's CPU time so far, in milliseconds.
double scheduler_cpu_ms(const QString& pid)
{
    QFile stat("/proc/" + pid + "/stat");
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = stat.readAll().split(' ');
    return (fields.value(13).toDouble() + fields.value(14).toDouble()) * 1000
        / double(sysconf(_SC_CLK_TCK));
}

std::vector<int> held_jobs(const char* printer)
{
    cups_job_t* jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, printer, 1, CUPS_WHICHJOBS_ACTIVE);
    std::vector<int> ids;
    for (int i = 0; i < count; ++i)
        ids.push_back(jobs[i].id);
    cupsFreeJobs(count, jobs);
    return ids;
}

// The scheduler's CPU per second of following, each question `every` apart.
template <typename Ask>
double following(const QString& pid, int seconds, std::chrono::milliseconds every, Ask ask)
{
    const double before = scheduler_cpu_ms(pid);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < seconds * 1000) {
        ask();
        std::this_thread::sleep_for(every);
    }
    return (scheduler_cpu_ms(pid) - before) / (double(clock.elapsed()) / 1000);
}

} // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    QFile pid_file(QFileInfo(qEnvironmentVariable("CUPS_SERVER")).dir().filePath("cupsd.pid"));
    if (!pid_file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "no print system of the tests' (tools/print-system start)\n");
        return 1;
    }
    const QString pid = QString::fromLatin1(pid_file.readAll().trimmed());
    const std::vector<int> jobs = held_jobs("EnvSlow");
    cups_job_t* all = nullptr;
    const int history = cupsGetJobs2(CUPS_HTTP_DEFAULT, &all, nullptr, 1, CUPS_WHICHJOBS_ALL);
    cupsFreeJobs(history, all);
    std::printf("%zu jobs followed on EnvSlow, %d jobs in the history, %d s each way\n",
        jobs.size(), history, seconds);
    const double before = following(pid, seconds, std::chrono::milliseconds(500), [&] {
        for (std::size_t i = 0; i < jobs.size(); ++i) {
            cups_job_t* each = nullptr;
            cupsFreeJobs(
                cupsGetJobs2(CUPS_HTTP_DEFAULT, &each, "EnvSlow", 1, CUPS_WHICHJOBS_ALL), each);
        }
    });
    const double now = following(
        pid, seconds, std::chrono::milliseconds(1000), [&] { job_states("EnvSlow", jobs); });
    std::printf(
        "  the whole history for every job, twice a second: %7.1f ms of CPU a second\n", before);
    std::printf(
        "  the jobs followed alone, once a second:          %7.1f ms of CPU a second\n", now);
    std::printf("  ratio: %.3f\n", now / std::max(before, 0.001));
    return 0;
}
