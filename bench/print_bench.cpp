// A press of seven rows as the worker takes it (outputs.h): the seven envelopes made, each with
// its line in the log, and handed to the print system as one job (its pages drawn beside the
// files), then that job completed by the printer (cups-pdf, tools/print-system start); against
// the same press to PDF files alone, in the same run. Writes into ~/brintlow/Pelderwick/ (set
// HOME to keep them apart):
//   HOME=$(mktemp -d) build-release/bin/print_bench [runs] [printer]

#include "envelope.h"
#include "outputs.h"
#include "print_jobs.h"
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

void report(const char* what, const std::vector<double>& times, double against)
{
    std::printf("  %-50s %7.1f (%.1f-%.1f)  %.2f\n", what, median(times),
        *std::min_element(times.begin(), times.end()),
        *std::max_element(times.begin(), times.end()), median(times) / against);
}

std::vector<Record> seven_rows()
{
    std::vector<Record> requests;
    for (int row = 0; row < 7; ++row)
        requests.push_back(sample_request(envelope_formats[0], "王小明" + std::to_string(row)));
    return requests;
}

// One press through the worker's outputs; the time until it is done with it (its job handed
// over, where it goes to a printer).
double press(Outputs& outputs)
{
    QElapsedTimer clock;
    clock.start();
    const std::vector<Record> requests = seven_rows();
    outputs.press_begins(requests);
    for (const Record& request : requests)
        outputs.produce(request);
    outputs.press_done();
    return double(clock.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    const std::string printer = argc > 2 ? argv[2] : "EnvPDF";
    make_envelope(sample_request(envelope_formats[0])); // fonts loaded once, as in the worker
    const auto quiet = [](const std::string&, const std::string& message) {
        std::fprintf(stderr, "%s\n", message.c_str());
    };
    Outputs files_alone(quiet, "", system_print_service());
    Outputs to_printer(quiet, printer, system_print_service());
    Figures figures;
    for (int run = 0; run < runs; ++run) {
        figures.files.push_back(press(files_alone));
        QElapsedTimer clock;
        clock.start();
        const double handed = press(to_printer);
        const auto job = to_printer.progress.last_job();
        if (!job || !job->handed) {
            std::fprintf(stderr, "not printed\n");
            return 1;
        }
        figures.handed.push_back(handed);
        while (!job_states(printer, {job->number})[job->number].ended())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        figures.printed.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    const double against = median(figures.files);
    std::printf("%d runs of a press of seven 12K envelopes; ms: median (min-max), against the "
                "files alone\n",
        runs);
    report("7 envelopes made, their PDF files alone", figures.files, against);
    report("7 envelopes made and handed to the print system", figures.handed, against);
    report("7 envelopes made and printed (job completed)", figures.printed, against);
    return 0;
}
