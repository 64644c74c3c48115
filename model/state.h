#pragma once

// The main-window state that GUI creates and every callback shares. Where each piece lives:
//   construction.cpp    GUI: theme, root window, icon, frames, logo block, event loop
//   forms.cpp           recipient table and sender form
//   buttons.cpp         the five buttons, the format menu, the shutdown hand-off
//   output_request.cpp  button_event_001: one request per filled recipient row
//   progress.cpp        aa: the output button's caption while the worker is busy
//   small_actions.cpp   button_event_003/005/006: clear table, output folder, help page
//   settings_dialog.cpp button_event_004: the settings dialog and its confirm
//   size_ratio.cpp      the size ratio's text rules
//   parameters.cpp      PP, the text settings record
//   start_up.cpp        loading the module (the front, without Qt)
// Outside the module: outside/ (channels, record, widget components, toolkit mapping, the
// guard, the platform layer), outside/worker/ (the worker and its envelopes), outside/host/
// (the program that runs both).

#include "channels.h"
#include "components.h"
#include "parameters.h"

#include <QPointer>
#include <array>
#include <functional>
#include <memory>

struct Main_Window_State
{
    Queue_Bundle& Queue_All_variable;
    Event_Bundle& Event_All_variable;
    bool stand_alone = false; // the placeholder bundles: no channel is touched
    int tick_ms = 500; // the progress indicator's period
    Parameters PP {};
    Set_Button set_button {};
    QPointer<QWidget> app {};
    std::unique_ptr<Entry_Table> entry_table {};
    std::unique_ptr<Set_Table> set_table {};
    QPointer<Option_Menu> optionmenu_001 {};
    std::function<void()> aa {};
};

// Frames only construction touches.
struct Layout_Frames
{
    Frame* FF = nullptr;
    Frame* AA = nullptr;
    Frame* BB = nullptr;
    Frame* DD = nullptr;
    std::array<Frame*, 10> frame {};
};

// The handlers GUI creates and the buttons call.
struct Button_Events
{
    std::function<void()> button_event_001;
    std::function<void()> button_event_003;
    std::function<void()> button_event_004;
    std::function<void()> button_event_005;
    std::function<void()> button_event_006; // already wrapped by try_except_log
};

void build_forms(Main_Window_State& state, const Layout_Frames& frames);
Button_Events make_button_events(Main_Window_State& state);
void build_buttons(
    Main_Window_State& state, const Layout_Frames& frames, const Button_Events& events);
void build_format_menu(Main_Window_State& state, const Layout_Frames& frames);
void shutdown_hand_off(Main_Window_State& state);

void button_event_001(Main_Window_State& state);
void aa(Main_Window_State& state);
void schedule_aa(Main_Window_State& state); // the next tick, tick_ms from now
void button_event_003(Main_Window_State& state);
void button_event_004(Main_Window_State& state);
void button_event_005();
void button_event_006();
