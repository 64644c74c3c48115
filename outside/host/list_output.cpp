#include "list_output.h"

#include "lines.h"
#include "list_rows.h"
#include "request_fields.h"

#include <QFileInfo>

namespace {

std::string joined(const std::vector<std::string>& texts)
{
    std::string all;
    for (const std::string& text : texts)
        all += (all.empty() ? "" : "；") + text;
    return all;
}

// The mapping a list can be made with, or the sentence why not.
std::string unusable(const List_Table& table, const List_Mapping& mapping)
{
    if (table.encoding_guessed)
        return "看不準這個檔案的編碼（像 Big5，也像別的編碼），沒有照猜的印。請在 Excel "
               "另存成「CSV "
               "UTF-8」，或在名單視窗選擇編碼";
    if (mapping.header_row < 0)
        return "在前 10 列找不到標題列（例如「姓名」「地址」）";
    if (!mapping.choices.empty()) {
        std::string which;
        for (const auto& [field, columns] : mapping.choices) {
            std::string names;
            for (const int c : columns)
                names += (names.empty() ? "" : "、")
                    + table.rows[std::size_t(mapping.header_row)][c].toStdString();
            which += (which.empty() ? "" : "；") + std::string("「") + field_name(field)
                + "」可以是 " + names;
        }
        return which + "：請在名單視窗選擇要用哪一欄";
    }
    if (mapping[List_Field::address] < 0)
        return "找不到地址欄";
    return {};
}

std::string row_line(const List_Row& row, const std::string& outcome)
{
    return "第 " + std::to_string(row.number) + " 列「" + row.name.toStdString() + "」：" + outcome;
}

} // namespace

void log_list(const Record& any_request, const std::string& list, std::size_t rows,
    std::size_t ticked, const List_Counts& counts, const std::string& printer)
{
    Record line;
    line["名單"] = list;
    line["列數"] = static_cast<long long>(rows);
    line["勾選"] = static_cast<long long>(ticked);
    line["已輸出"] = static_cast<long long>(counts.made);
    line["沒有輸出"] = static_cast<long long>(counts.not_made);
    line["沒有送出"] = static_cast<long long>(counts.not_sent);
    if (!printer.empty())
        line["印表機"] = printer;
    if (!log_job(any_request, line))
        report_line("名單「" + list + "」的總結沒有寫進 requests.jsonl");
}

List_Counts make_list(Outputs& outputs, const std::vector<Record>& requests,
    const std::atomic<bool>& stop,
    const std::function<void(std::size_t, const Production_Report&)>& each)
{
    List_Counts counts;
    for (std::size_t start = 0; start < requests.size(); start += envelopes_per_job) {
        const std::vector<Record> job(requests.begin() + std::ptrdiff_t(start),
            requests.begin()
                + std::ptrdiff_t(std::min(requests.size(), start + envelopes_per_job)));
        if (!stop)
            outputs.press_begins(job);
        bool pressed = false;
        for (std::size_t i = 0; i < job.size(); ++i) {
            Production_Report report;
            if (stop) {
                report.reason = "沒有送出：停止了";
                log(job[i], report);
                ++counts.not_sent;
            } else {
                report = outputs.produce(job[i]);
                pressed = true;
                ++(report.made ? counts.made : counts.not_made);
            }
            each(start + i, report);
        }
        if (pressed)
            outputs.press_done();
    }
    return counts;
}

int output_list(Outputs& outputs, const std::string& path, const std::atomic<bool>& stop)
{
    const QString file = QString::fromStdString(path);
    List_Settings settings;
    settings.list_name = QFileInfo(file).fileName().toStdString();
    List_Table table;
    try {
        table = read_list_file(file);
    } catch (const List_Error& error) {
        report_line("名單「" + settings.list_name + "」讀不了：" + error.what());
        return 1;
    }
    const List_Mapping mapping = map_columns(table.rows);
    if (const std::string why = unusable(table, mapping); !why.empty()) {
        report_line("名單「" + settings.list_name + "」沒有印：" + why);
        return 1;
    }
    for (const std::string& warning : table.warnings)
        report_line("名單「" + settings.list_name + "」：" + warning);
    const std::vector<List_Row> rows = list_rows(table, mapping, settings);
    std::vector<const List_Row*> ticked;
    for (const List_Row& row : rows) {
        if (row.ticked)
            ticked.push_back(&row);
        else
            say_line(
                row_line(row, "沒有輸出：" + joined(row.errors.empty() ? row.notes : row.errors)));
    }
    std::vector<Record> requests;
    for (const List_Row* row : ticked)
        requests.push_back(list_request(*row, settings));
    std::string printer;
    const List_Counts counts
        = make_list(outputs, requests, stop, [&](std::size_t i, const Production_Report& report) {
              if (report.made)
                  printer = report.printer;
              say_line(row_line(*ticked[i],
                  report.made ? "已輸出 " + report.file
                          + (report.printer.empty() ? "" : "，送往「" + report.printer + "」")
                      : report.reason.starts_with("沒有送出") ? report.reason
                                                              : "沒有輸出：" + report.reason));
          });
    if (!rows.empty())
        log_list(list_request(rows.front(), settings), settings.list_name, rows.size(),
            ticked.size(), counts, printer);
    return counts.made == int(ticked.size()) ? 0 : 1;
}
