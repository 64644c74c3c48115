#include "output_request.h"

#include "guard.h"
#include "lines.h"
#include "request_fields.h"
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
        request[request_key::recipient_name] = columns[0][row];
        request[request_key::recipient_postal_code] = columns[1][row];
        request[request_key::recipient_address] = columns[2][row];
    }
    return requests;
}

namespace {

Record shared_fields(const Main_Window_State& state)
{
    const Record& settings = state.PP.parameters;
    Record request;
    using namespace request_key;
    request[format] = state.optionmenu_001->get().toStdString();
    request[mailing_method] = std::string();
    request[sender_name] = state.set_table->get(sender_name);
    request[sender_postal_code] = state.set_table->get(sender_postal_code);
    request[sender_address] = state.set_table->get(sender_address);
    request[folder] = std::string(output_folder);
    request[input_mode] = std::string("手動輸入模式");
    request[size_ratio] = settings.at(size_ratio);
    request[chinese_font] = settings.at(chinese_font);
    request[latin_font] = settings.at(latin_font);
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
        if (!state.stand_alone)
            state.Queue_All_variable[channel::receipt].put(request);
    }
}
