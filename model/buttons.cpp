#include "guard.h"
#include "lines.h"
#include "platform.h"
#include "request_fields.h"
#include "state.h"

#include <QWidget>

Button_Events make_button_events(Main_Window_State& state)
{
    return {
        .button_event_001 = [&state] { button_event_001(state); },
        .button_event_003 = [&state] { button_event_003(state); },
        .button_event_004 = [&state] { button_event_004(state); },
        .button_event_005 = [] { button_event_005(); },
        .button_event_006 = try_except_log([] { button_event_006(); }),
    };
}

void build_buttons(
    Main_Window_State& state, const Layout_Frames& frames, const Button_Events& events)
{
    Set_Button& bar = state.set_button;
    bar.add_button(frames.BB,
        {.button_name = output_button,
            .text = "輸出單據",
            .button_event = events.button_event_001,
            .size = {{25, 25}},
            .padx = Pad(50),
            .pady = Pad(10),
            .sticky = "",
            .width = 140});
    bar.add_button(frames.FF,
        {.image_path = platform::template_path("\\格式範本\\齒輪.png"),
            .button_event = events.button_event_004,
            .size = {{25, 25}},
            .padx = Pad(188, 55),
            .row = 0,
            .column = 1,
            .fg_color = "transparent"});
    bar.add_button(frames.FF,
        {.image_path = platform::template_path("\\格式範本\\資料夾.png"),
            .button_event = events.button_event_005,
            .size = {{25, 25}},
            .padx = Pad(178, 105),
            .row = 0,
            .column = 1,
            .fg_color = "transparent"});
    bar.add_button(frames.DD,
        {.image_path = platform::template_path("\\格式範本\\垃圾桶.png"),
            .button_event = events.button_event_003,
            .size = {{20, 20}},
            .padx = Pad(20, 5),
            .row = 0,
            .column = 0,
            .fg_color = "#2b2b2b",
            .width = 20,
            .corner_radius = 0});
    bar.add_button(frames.FF,
        {.image_path = platform::template_path("\\格式範本\\問號001.png"),
            .button_event = events.button_event_006,
            .size = {{25, 25}},
            .padx = Pad(78, 155),
            .row = 0,
            .column = 1,
            .fg_color = "transparent"});
}

void build_format_menu(Main_Window_State& state, const Layout_Frames& frames)
{
    QStringList values;
    for (const char* format : envelope_formats)
        values << QString::fromUtf8(format);
    state.optionmenu_001 = new Option_Menu(frames.FF, "optionmenu_001", values,
        ctk_font(QStringLiteral("Microsoft JhengHei"), 13, true), {200, 20});
    grid(state.optionmenu_001,
        {.row = 1, .column = 1, .padx = {150, 5}, .pady = {5, 0}, .sticky = "nsew"});
}

void shutdown_hand_off(Main_Window_State& state)
{
    if (state.stand_alone)
        return;
    state.Queue_All_variable[channel::end].put(std::nullopt);
    state.Event_All_variable[channel::end].set();
    state.Queue_All_variable[channel::receipt].put(std::nullopt);
    say_line("關閉程式");
}
