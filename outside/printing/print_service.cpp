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
        // A name of its own, by which the print system's job is found.
        const std::string title = "Pelderwick "
            + QDateTime::currentDateTime()
                  .toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"))
                  .toStdString()
            + " (" + std::to_string(requests.size()) + ")";
        return print_envelopes(requests, printer, title, stored_settings(printer));
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
