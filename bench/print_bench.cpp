// A press of seven rows going to a printer, as the worker does it: the seven PDF files made, then
// the seven envelopes handed to the print system as one job, then that job completed by the
// printer (cups-pdf, tools/print-system start); against the seven PDF files alone, in the same
// run. Writes into ~/brintlow/Pelderwick/ (set HOME to keep them apart):
//   HOME=$(mktemp -d) build-release/bin/print_bench [runs] [printer]

#include "envelope.h"
#include "print_jobs.h"
#include "printing.h"
#include "sample_request.h"

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

struct Figures
{
    std::vector<double> files, handed, printed;
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void report(const char* what, const std::vector<double>& times)
{
    std::printf("  %-48s %8.1f (%.1f-%.1f)\n", what, median(times),
        *std::min_element(times.begin(), times.end()),
        *std::max_element(times.begin(), times.end()));
}

std::vector<Record> seven_rows()
{
    std::vector<Record> requests;
    for (int row = 0; row < 7; ++row)
        requests.push_back(sample_request(envelope_formats[0], "王小明" + std::to_string(row)));
    return requests;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    const std::string printer = argc > 2 ? argv[2] : "EnvPDF";
    make_envelope(sample_request(envelope_formats[0])); // fonts loaded once, as in the worker
    Figures figures;
    QElapsedTimer clock;
    for (int run = 0; run < runs; ++run) {
        const std::vector<Record> requests = seven_rows();
        clock.start();
        for (const Record& request : requests)
            make_envelope(request);
        figures.files.push_back(double(clock.nsecsElapsed()) / 1e6);
        clock.start();
        for (const Record& request : requests)
            make_envelope(request);
        const Printed_Job job = print_envelopes(
            requests, printer, "Pelderwick bench " + std::to_string(run), stored_settings(printer));
        if (!job.handed) {
            std::fprintf(stderr, "not printed: %s\n", job.reason.c_str());
            return 1;
        }
        figures.handed.push_back(double(clock.nsecsElapsed()) / 1e6);
        while (!job_states(printer, {job.job})[job.job].ended())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        figures.printed.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    std::printf("%d runs of a press of seven 12K envelopes; ms: median (min-max)\n", runs);
    report("7 PDF files", figures.files);
    report("7 PDF files, then handed to the print system", figures.handed);
    report("7 PDF files, then printed (job completed)", figures.printed);
    return 0;
}
