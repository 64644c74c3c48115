// A list of 1,000 rows as the list window takes it: read and shown, every row checked in the
// background while the window's event loop is watched for stalls, and the memory it took; then
// 200 rows made and handed to the print system in jobs of 50 (EnvNull, tools/print-system
// start), against seven envelopes made the same way in the same run. Writes into
// ~/brintlow/Pelderwick/ (set HOME to keep them apart):
//   HOME=$(mktemp -d) CUPS_SERVER=... build-release/bin/list_bench [printer]

#include "list_output.h"
#include "list_rows.h"
#include "list_window.h"
#include "print_service.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

long resident_kb()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}

QString write_list(const QTemporaryDir& dir, int rows)
{
    static const char* const districts[] = {"臺北市大安區新生南路二段", "新北市板橋區文化路一段",
        "臺中市西屯區臺灣大道三段", "高雄市苓雅區四維三路", "花蓮縣花蓮市府前路"};
    QByteArray csv = "姓名,職稱,服務單位,郵遞區號,通訊地址\n";
    for (int i = 0; i < rows; ++i)
        csv += QStringLiteral("會員%1,課長,某某協會 會務部,,%2%3號%4樓\n")
                   .arg(i)
                   .arg(QString::fromUtf8(districts[i % 5]))
                   .arg(i % 300 + 1)
                   .arg(i % 12 + 1)
                   .toUtf8();
    QFile file(dir.filePath(QStringLiteral("list-%1.csv").arg(rows)));
    if (!file.open(QIODevice::WriteOnly) || file.write(csv) != csv.size())
        qFatal("cannot write the list");
    return file.fileName();
}

std::vector<Record> requests_of(const QString& path, std::size_t count)
{
    const List_Table table = read_list_file(path);
    List_Settings settings;
    settings.list_name = "bench.csv";
    std::vector<Record> requests;
    for (const List_Row& row : list_rows(table, map_columns(table.rows), settings, false))
        if (requests.size() < count)
            requests.push_back(list_request(row, settings));
    return requests;
}

// Milliseconds to the first job's last envelope handed and to all of them.
std::pair<double, double> make(const std::vector<Record>& requests, const std::string& printer)
{
    Outputs outputs([](const std::string&, const std::string&) {}, printer, system_print_service());
    std::atomic<bool> stop {false};
    QElapsedTimer clock;
    clock.start();
    double first = 0;
    make_list(outputs, requests, stop, [&](std::size_t i, const Production_Report&) {
        if (i + 1 == std::min<std::size_t>(requests.size(), envelopes_per_job))
            first = double(clock.nsecsElapsed()) / 1e6;
    });
    const double all = double(clock.nsecsElapsed()) / 1e6;
    outputs.finish(std::chrono::seconds(0), stop);
    return {first, all};
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const std::string printer = argc > 1 ? argv[1] : "EnvNull";
    QTemporaryDir dir;
    const QString thousand = write_list(dir, 1000);
    // The same-run baseline: a list of seven, its fonts loaded and its rows checked.
    {
        QWidget* seven = make_list_window(
            {[](const std::string&, const std::string&) {}, {}}, write_list(dir, 7));
        seven->show();
        while (!seven->property("checked").toBool())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        seven->close();
        QApplication::processEvents();
    }
    const long before = resident_kb();
    QElapsedTimer clock;
    clock.start();
    QWidget* window
        = make_list_window({[](const std::string&, const std::string&) {}, {}}, thousand);
    window->show();
    QApplication::processEvents();
    const double shown = double(clock.nsecsElapsed()) / 1e6;
    // The window's loop, watched every 5 ms while the rows are checked behind it.
    double longest_stall = 0;
    QElapsedTimer tick;
    tick.start();
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        longest_stall = std::max(longest_stall, double(tick.nsecsElapsed()) / 1e6);
        tick.restart();
    });
    watch.start(5);
    while (!window->property("checked").toBool() && clock.elapsed() < 60000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const double checked = double(clock.nsecsElapsed()) / 1e6;
    // The gap still open when the rows came in counts too.
    longest_stall = std::max(longest_stall, double(tick.nsecsElapsed()) / 1e6);
    watch.stop();
    const long after = resident_kb();
    std::printf("1,000 rows: shown after %.0f ms, checked after %.0f ms, longest stall of the "
                "window %.0f ms, %.1f MB more memory than with a list of seven\n",
        shown, checked, longest_stall, double(after - before) / 1024);
    window->close();
    QApplication::processEvents();
    const auto seven = make(requests_of(thousand, 7), printer);
    const auto two_hundred = make(requests_of(thousand, 200), printer);
    std::printf("7 envelopes to %s: all handed after %.0f ms\n", printer.c_str(), seven.second);
    std::printf("200 envelopes to %s in jobs of 50: the first job after %.0f ms, all after %.0f "
                "ms (%.1f times seven)\n",
        printer.c_str(), two_hundred.first, two_hundred.second, two_hundred.second / seven.second);
    return 0;
}
