#include "platform.h"
#include "request_fields.h"
#include "state.h"

namespace {
const std::string help_page = "brintlow.example/Pelderwick/";
}

void button_event_003(Main_Window_State& state)
{
    state.entry_table->delete_all();
}

void button_event_005()
{
    platform::start_process(std::string("explorer ") + output_folder_for_explorer);
}

void button_event_006()
{
    try {
        platform::open_url("https://" + help_page);
    } catch (...) {
        platform::open_url("http://" + help_page);
    }
}
