// The spooler on Windows: a job it accepted is all that is known of it here.

#include "print_jobs.h"

Queue_State queue_state(const std::string& /*printer*/)
{
    return {}; // Qt's printer information says what the spooler knows
}

std::optional<int> job_named(const std::string& /*printer*/, const std::string& /*title*/)
{
    return 0;
}

std::map<int, Job_State> job_states(const std::string& /*printer*/, const std::vector<int>& jobs)
{
    std::map<int, Job_State> states;
    for (const int job : jobs)
        states[job] = {Job_State::Stage::queued, {}};
    return states;
}
