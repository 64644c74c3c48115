#include "production.h"

#include "envelope.h"
#include "file_names.h"
#include "platform.h"
#include "request_fields.h"

#include <exception>
#include <system_error>

namespace {

std::string error_text(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& known) {
        return known.what();
    } catch (...) {
        return "unknown error";
    }
}

std::string joined(const std::vector<Warning>& warnings)
{
    std::string all;
    for (const Warning& warning : warnings)
        all += (all.empty() ? "" : "；") + warning.text;
    return all;
}

// The log's file in the request's output folder: "requests.jsonl", or with `account` the log of
// that user's own ("requests-<account>.jsonl").
std::string log_path(const Record& request, const std::string& account = {})
{
    const std::string folder
        = platform::local_path(std::get<std::string>(request.at(request_key::folder)));
    return (folder.ends_with('/') || folder.ends_with('\\') ? folder : folder + "/")
        + (account.empty() ? "requests.jsonl" : "requests-" + account + ".jsonl");
}

// Where several accounts share the output folder (Windows), the log belongs to the account that
// made it; the others keep logs of their own beside it. Returns the other log's name when the
// line went there.
std::string log_line(const Record& request, const std::string& line)
{
    try {
        platform::append_line(log_path(request), line);
        return {};
    } catch (const std::system_error& error) {
        if (error.code() != std::errc::permission_denied)
            throw;
    }
    const std::string account = safe_file_stem(platform::user_name());
    platform::append_line(log_path(request, account), line);
    return "requests-" + account + ".jsonl";
}

} // namespace

Record log_entry(const Record& request, const Production_Report& report)
{
    Record entry = request;
    // The codes the envelope has from the addresses, where none was typed.
    if (!report.derived_recipient_code.empty())
        entry["推得郵遞區號"] = report.derived_recipient_code;
    if (!report.derived_sender_code.empty())
        entry["推得寄件人郵遞區號"] = report.derived_sender_code;
    if (report.made) {
        entry["結果"] = std::string("已輸出");
        entry["檔案"] = report.file;
    } else {
        entry["結果"] = std::string("沒有輸出");
        entry["原因"] = report.reason;
    }
    if (!report.warnings.empty())
        entry["警告"] = joined(report.warnings);
    if (report.made && !report.printer.empty())
        entry["印表機"] = report.printer;
    return entry;
}

bool log_job(const Record& request, const Record& entry) noexcept
{
    try {
        log_line(request, to_strict_json_line(entry));
        return true;
    } catch (...) {
        return false;
    }
}

Production_Report make(const Record& request) noexcept
{
    Production_Report report;
    try {
        const Envelope_Value value = read_envelope(request);
        for (const auto& [party, derived] :
            {std::pair {&value.recipient, &report.derived_recipient_code},
                std::pair {&value.sender, &report.derived_sender_code}}) {
            if (party->code.derived)
                *derived = party->code.digits->toStdString();
        }
        Envelope envelope = make_envelope(request, value);
        report.made = true;
        report.file = envelope.name;
        report.warnings = std::move(envelope.warnings);
    } catch (...) {
        report.reason = error_text(std::current_exception());
    }
    return report;
}

void log(const Record& request, Production_Report& report) noexcept
{
    try {
        report.log_file = log_line(request, to_strict_json_line(log_entry(request, report)));
        report.logged = true;
    } catch (...) {
        report.warnings.push_back(
            {"requests.jsonl 沒有記下這筆輸出：" + error_text(std::current_exception())});
    }
}

Production_Report produce(const Record& request) noexcept
{
    Production_Report report = make(request);
    log(request, report);
    return report;
}
