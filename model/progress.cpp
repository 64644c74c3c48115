#include "guard.h"
#include "request_fields.h"
#include "state.h"

#include <QTimer>
#include <stdexcept>

namespace {

const std::string idle = "輸出單據";

// The next caption while the worker is busy; the idle caption starts the cycle.
std::string next_busy_caption(const Set_Button& bar)
{
    if (bar.cget(idle, "text") == "輸出中.")
        return "輸出中..";
    if (bar.cget(idle, "text") == "輸出中..")
        return "輸出中...";
    return "輸出中.";
}

void show_worker_state(Main_Window_State& state)
{
    Event& busy = state.Event_All_variable[channel::receipt];
    // Asked again, not reused: a worker that starts between the questions leaves the caption.
    if (busy.is_set())
        state.set_button.configure(idle, next_busy_caption(state.set_button));
    else if (!busy.is_set())
        state.set_button.configure(idle, idle);
}

} // namespace

void aa(Main_Window_State& state)
{
    try {
        show_worker_state(state);
    } catch (...) {
        // The worker's event may be unreachable (stand-alone mode); the caption just stays.
    }
    state.entry_table->update();
    schedule_aa(state);
}

void schedule_aa(Main_Window_State& state)
{
    if (state.app.isNull())
        throw std::runtime_error("the main window is gone");
    QTimer::singleShot(state.tick_ms, state.app, [&state] { call_guarded("aa", state.aa); });
}
