#include "output_request.h"

#include "guard.h"
#include "state.h"

#include <stdexcept>

std::vector<Record> output_requests(
    const Record& shared, const std::vector<std::vector<std::string>>& columns)
{
    if (columns.size() < 3)
        throw std::invalid_argument("the recipient table has fewer than three columns");
    std::vector<Record> requests;
    const std::size_t rows = columns[0].size();
    for (std::size_t row = 0; row < rows; ++row) {
        const bool filled = !columns[0].at(row).empty() || !columns[1].at(row).empty()
            || !columns[2].at(row).empty();
        if (!filled && row != 0)
            continue;
        Record& request = requests.emplace_back(shared);
        request["收件人姓名"] = columns[0][row];
        request["收件人郵遞區號"] = columns[1][row];
        request["收件人地址"] = columns[2][row];
    }
    return requests;
}

namespace {

Record shared_fields(const Main_Window_State& state)
{
    const Record& settings = state.PP.parameters;
    Record request;
    request["信件格式"] = state.optionmenu_001->get().toStdString();
    request["郵寄方式"] = std::string();
    request["寄件人姓名"] = state.set_table->get("寄件人姓名");
    request["寄件人郵遞區號"] = state.set_table->get("寄件人郵遞區號");
    request["寄件人地址"] = state.set_table->get("寄件人地址");
    request["存檔路徑"] = std::string("C:/brintlow/Pelderwick/");
    request["輸入模式"] = std::string("手動輸入模式");
    request["文字大小比例"] = settings.at("文字大小比例");
    request["中文文字字體"] = settings.at("中文文字字體");
    request["英文文字字體"] = settings.at("英文文字字體");
    return request;
}

} // namespace

void button_event_001(Main_Window_State& state)
{
    const auto columns = state.entry_table->get();
    if (state.optionmenu_001.isNull())
        throw std::runtime_error("the format menu is gone");
    for (const Record& request : output_requests(shared_fields(state), columns)) {
        say_line(to_json_line(request));
        if (!stand_alone_mode)
            state.Queue_All_variable["get_receipt"].put(request);
    }
}
