// Time per envelope PDF for each format, and for a batch of seven, as the worker makes them.
// Writes into ~/brintlow/Pelderwick/ (set HOME to keep them apart):
//   HOME=$(mktemp -d) build-release/bin/envelope_bench [runs]

#include "envelope.h"
#include "sample_request.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void report(const char* what, const std::vector<double>& times)
{
    std::printf("  %-40s %7.2f (%.2f-%.2f)\n", what, median(times),
        *std::min_element(times.begin(), times.end()),
        *std::max_element(times.begin(), times.end()));
}

// A recipient with the punctuation, brackets and digits a column turns and breaks around.
Record punctuated(const char* format, int i)
{
    Record request = sample_request(format, "王大明（經理）先生" + std::to_string(i));
    request[request_key::recipient_address]
        = std::string("新北市板橋區文化路一段188巷44號3樓之2，「遠東大樓」A棟、B棟。");
    return request;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    const auto& formats = envelope_formats;
    make_envelope(sample_request(formats[0])); // fonts loaded once, as in a running worker
    std::printf("%d runs; per envelope, ms: median (min-max)\n", runs);
    QElapsedTimer clock;
    for (const char* format : formats) {
        std::vector<double> times;
        for (int i = 0; i < runs; ++i) {
            clock.start();
            make_envelope(sample_request(format, "王小明" + std::to_string(i)));
            times.push_back(double(clock.nsecsElapsed()) / 1e6);
        }
        report(format, times);
    }
    for (const char* format : {formats[0], formats[2]}) {
        std::vector<double> times;
        for (int i = 0; i < runs; ++i) {
            clock.start();
            make_envelope(punctuated(format, i));
            times.push_back(double(clock.nsecsElapsed()) / 1e6);
        }
        report((std::string(format) + ", punctuated").c_str(), times);
    }
    std::vector<double> batches;
    for (int i = 0; i < runs; ++i) {
        clock.start();
        for (int row = 0; row < 7; ++row)
            make_envelope(sample_request(formats[i % 6], "王小明" + std::to_string(row)));
        batches.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    std::printf("  batch of 7, ms: median %.2f (%.2f-%.2f), %.2f per envelope\n", median(batches),
        *std::min_element(batches.begin(), batches.end()),
        *std::max_element(batches.begin(), batches.end()), median(batches) / 7);
    return 0;
}
