#include "guard.h"
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
        {.button_name = "輸出單據",
            .text = "輸出單據",
            .button_event = events.button_event_001,
            .size = {{25, 25}},
            .padx = Pad(50),
            .pady = Pad(10),
            .sticky = "",
            .width = 140});
    bar.add_button(frames.FF,
        {.image_path = template_path("\\格式範本\\齒輪.png"),
            .button_event = events.button_event_004,
            .size = {{25, 25}},
            .padx = Pad(188, 55),
            .row = 0,
            .column = 1,
            .fg_color = "transparent"});
    bar.add_button(frames.FF,
        {.image_path = template_path("\\格式範本\\資料夾.png"),
            .button_event = events.button_event_005,
            .size = {{25, 25}},
            .padx = Pad(178, 105),
            .row = 0,
            .column = 1,
            .fg_color = "transparent"});
    bar.add_button(frames.DD,
        {.image_path = template_path("\\格式範本\\垃圾桶.png"),
            .button_event = events.button_event_003,
            .size = {{20, 20}},
            .padx = Pad(20, 5),
            .row = 0,
            .column = 0,
            .fg_color = "#2b2b2b",
            .width = 20,
            .corner_radius = 0});
    bar.add_button(frames.FF,
        {.image_path = template_path("\\格式範本\\問號001.png"),
            .button_event = events.button_event_006,
            .size = {{25, 25}},
            .padx = Pad(78, 155),
            .row = 0,
            .column = 1,
            .fg_color = "transparent"});
}

const QStringList envelope_formats = {
    QStringLiteral("12K直式信封(11.5cm x 23cm)"),
    QStringLiteral("12K橫式信封(23cm x 11.5cm)"),
    QStringLiteral("DL橫式信封(22cm x 11cm)"),
    QStringLiteral("12K直式信封(無框線)(11.5cm x 23cm)"),
    QStringLiteral("12K橫式信封(無框線)(23cm x 11.5cm)"),
    QStringLiteral("西式信封(10cm x 22cm)"),
};

void build_format_menu(Main_Window_State& state, const Layout_Frames& frames)
{
    state.optionmenu_001 = new Option_Menu(frames.FF, "optionmenu_001", envelope_formats,
        ctk_font(QStringLiteral("Microsoft JhengHei"), 13, true), {200, 20});
    grid(state.optionmenu_001,
        {.row = 1, .column = 1, .padx = {150, 5}, .pady = {5, 0}, .sticky = "nsew"});
}

void shutdown_hand_off(Main_Window_State& state)
{
    if (stand_alone_mode)
        return;
    state.Queue_All_variable["end"].put(std::nullopt);
    state.Event_All_variable["end"].set();
    state.Queue_All_variable["get_receipt"].put(std::nullopt);
    say_line("關閉程式");
}
