// The entries by their C names, for a host that binds them after loading the module. They are
// what makes the shared module pull the window in from its library.

#include "gui.h"

void pelderwick_GUI(Queue_Bundle& Queue_All_variable, Event_Bundle& Event_All_variable)
{
    GUI(Queue_All_variable, Event_All_variable);
}

void pelderwick_run_stand_alone()
{
    run_stand_alone();
}
