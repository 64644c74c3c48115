#pragma once

// What the print system tells of its printers and jobs beyond what Qt does: one file per system
// (print_jobs_cups.cpp, print_jobs_windows.cpp). Every question has a short time to be answered:
// a print system that does not answer is told as such ("列印系統沒有回應"), one that does not
// run as such, never waited for without end and never taken for a missing printer.

#include "print_settings.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

// A printer as the print settings' window shows it.
struct Printer_Info
{
    std::string name;
    bool is_default = false; // the user's default printer
    bool ready = true; // there, taking jobs and not stopped
    std::string state; // in words: 待命, 列印中, 已停止：缺紙 ...
    std::vector<Paper_Source> sources; // besides the automatic one, where the printer has them
};

struct Printers
{
    std::vector<Printer_Info> printers;
    std::string trouble; // why none could be listed: the print system not running, not answering
};

Printers list_printers();

struct Queue_State
{
    bool ready = true; // there, taking jobs and not stopped
    std::string reason; // why not
    bool holds_jobs = false; // until someone lets each go (its jobs' default)
};

Queue_State queue_state(const std::string& printer);

// The print system's own name of the printer `name` names: print systems take printer names
// whatever their case ("envpdf" is EnvPDF), and its stored settings are kept under its own name.
// The name as given where no printer has it, or the print system does not answer.
std::string printer_named(const std::string& name);

// The job the print system made of the document `title` just handed to it on `printer`: its
// number (0 where the system numbers none for us: the spooler on Windows); nothing when it made
// none.
std::optional<int> job_named(const std::string& printer, const std::string& title);

// Hands the PDF file at `path` to `printer` as a job named `title`, with the job options given
// (name and value); its number. Throws, saying why, when the print system did not take it. CUPS
// only: on Windows the spooler takes the job as it is drawn.
int submit_document(const std::string& printer, const std::string& title, const std::string& path,
    const std::vector<std::pair<std::string, std::string>>& options);
// A job handed over held (the option job-hold-until=indefinite) let go to print, or taken back
// before any of it printed. Throw, saying why, when the print system did not do it.
void release_job(const std::string& printer, int job);
void withdraw_job(const std::string& printer, int job);

// Where a job stands, as the print system tells it.
struct Job_State
{
    enum class Stage {
        going, // waiting its turn or printing
        held, // waiting for something besides its turn (its printer stopped, the job held):
              // `reason`
        printed,
        failed, // ended unprinted (cancelled, aborted): `reason`
        queued, // with a print system that tells no more once it took the job (the spooler)
        unknown, // ended, but the print system no longer knows how: `reason`
        unanswered, // the print system did not answer this time: `reason`
    };
    Stage stage = Stage::going;
    std::string reason;

    bool ended() const
    {
        return stage != Stage::going && stage != Stage::held && stage != Stage::unanswered;
    }
};

// The states of `jobs` on `printer`, asking about those jobs alone (never the whole history).
std::map<int, Job_State> job_states(const std::string& printer, const std::vector<int>& jobs);

// A printer's state reasons (IPP's keywords: "media-empty-error", "paused") in words; empty for
// none worth telling.
std::string printer_reasons_in_words(const std::vector<std::string>& keywords);
