// Time per envelope PDF for each format, and for a batch of seven, as the worker makes them.
// Writes into ~/brintlow/Pelderwick/ (set HOME to keep them apart):
//   HOME=$(mktemp -d) build-release/bin/envelope_bench [runs]

#include "envelope.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

Record sample(const std::string& format, int row)
{
    Record r;
    r["信件格式"] = format;
    r["郵寄方式"] = std::string();
    r["寄件人姓名"] = std::string("陳大文");
    r["寄件人郵遞區號"] = std::string("106");
    r["寄件人地址"] = std::string("臺北市大安區復興南路一段390號");
    r["存檔路徑"] = std::string("C:/brintlow/Pelderwick/");
    r["輸入模式"] = std::string("手動輸入模式");
    r["文字大小比例"] = 1LL;
    r["中文文字字體"] = std::string("微軟正黑體");
    r["英文文字字體"] = std::string("Calibri");
    r["收件人姓名"] = "王小明" + std::to_string(row);
    r["收件人郵遞區號"] = std::string("403041");
    r["收件人地址"] = std::string("臺中市西區民權路91號5樓");
    return r;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    const char* formats[] = {"12K直式信封(11.5cm x 23cm)", "12K橫式信封(23cm x 11.5cm)",
        "DL橫式信封(22cm x 11cm)", "12K直式信封(無框線)(11.5cm x 23cm)",
        "12K橫式信封(無框線)(23cm x 11.5cm)", "西式信封(10cm x 22cm)"};
    make_envelope(sample(formats[0], 0)); // fonts loaded once, as in a running worker
    std::printf("%d runs; per envelope, ms: median (min-max)\n", runs);
    QElapsedTimer clock;
    for (const char* format : formats) {
        std::vector<double> times;
        for (int i = 0; i < runs; ++i) {
            clock.start();
            make_envelope(sample(format, i));
            times.push_back(double(clock.nsecsElapsed()) / 1e6);
        }
        std::printf("  %-40s %7.2f (%.2f-%.2f)\n", format, median(times),
            *std::min_element(times.begin(), times.end()),
            *std::max_element(times.begin(), times.end()));
    }
    std::vector<double> batches;
    for (int i = 0; i < runs; ++i) {
        clock.start();
        for (int row = 0; row < 7; ++row)
            make_envelope(sample(formats[i % 6], row));
        batches.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    std::printf("  batch of 7, ms: median %.2f (%.2f-%.2f), %.2f per envelope\n", median(batches),
        *std::min_element(batches.begin(), batches.end()),
        *std::max_element(batches.begin(), batches.end()), median(batches) / 7);
    return 0;
}
