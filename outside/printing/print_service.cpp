#include "print_service.h"

#include "print_settings.h"

#include <QDateTime>

namespace {

class System_Print_Service final : public Print_Service
{
public:
    std::string destination() override { return stored_destination(); }

    Printed_Job print(const std::vector<Record>& requests, const std::string& asked_for) override
    {
        const std::string printer = printer_named(asked_for);
        return print_envelopes(requests, printer, title(), stored_settings(printer));
    }

    std::unique_ptr<Job_Builder> begin_job(
        const std::string& asked_for, const std::string& format) override
    {
        // The printer's own name and settings are found on the job's thread, beside the work.
        return std::make_unique<Job_Builder>(
            asked_for, format, title(), [](const std::string& name) {
                const std::string printer = printer_named(name);
                return std::pair {printer, stored_settings(printer)};
            });
    }

private:
    // A name of its own, by which the print system's job is found.
    static std::string title()
    {
        return "Pelderwick "
            + QDateTime::currentDateTime()
                  .toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"))
                  .toStdString();
    }

    std::map<int, Job_State> job_states(
        const std::string& printer, const std::vector<int>& jobs) override
    {
        return ::job_states(printer, jobs);
    }
};

} // namespace

std::unique_ptr<Print_Service> system_print_service()
{
    return std::make_unique<System_Print_Service>();
}
