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

std::optional<Job_End> job_end(const std::string& /*printer*/, int /*job*/)
{
    return Job_End {}; // with the spooler: neither printed nor failed, as far as is known
}
