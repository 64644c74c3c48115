#pragma once

// Envelopes straight to a printer, through Qt's print support: exactly the format's paper and
// orientation, the whole page, the printer's stored shift and turn applied, one job with one
// page per envelope. Nothing is sent to a printer that is missing, stopped, not taking jobs or
// unable to take the format's paper (a queue without custom sizes would put the envelope on a
// Letter or A4 sheet without a word).

#include "formats.h"
#include "print_jobs.h"
#include "print_settings.h"
#include "record.h"
#include "warning.h"

#include <QString>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class QPainter;

struct Printed_Job
{
    bool handed = false; // the print system took the job
    std::string printer;
    int job = 0; // its number, where the print system tells one
    std::string reason; // why it was not handed over
    std::vector<Warning> warnings;
};

// The envelopes of `requests`, all of one format, as one job named `title`, one page each.
Printed_Job print_envelopes(const std::vector<Record>& requests, const std::string& printer,
    const std::string& title, const Printer_Settings& settings);

// The pages of a job as they come: `ready(page)` waits until the page can be drawn, or says
// there are no more; `go_ahead`, where given, waits once they are all drawn and says whether the
// job is to be handed over at all.
struct Job_Pages
{
    std::function<bool(int page)> ready;
    std::function<std::vector<Warning>(QPainter&, double px_per_mm, int page)> draw;
    std::function<bool()> go_ahead;
};
Printed_Job print_pages(const std::string& printer, const std::string& format,
    const std::string& title, const Printer_Settings& settings, const Job_Pages& pages);

// A press's job drawn beside the making of its envelopes' files, on a thread of its own: each
// page as its request is added, the document finished once `close` says no more come, the job
// handed over once the press is done. Destroyed before it is handed over, it is given up and
// nothing reaches the printer.
class Job_Builder
{
public:
    // `settings_of` finds, on the job's thread, the printer's own name and its stored settings.
    using Settings_Of
        = std::function<std::pair<std::string, Printer_Settings>(const std::string& printer)>;
    Job_Builder(
        std::string printer, std::string format, std::string title, Settings_Of settings_of);
    ~Job_Builder();
    Job_Builder(const Job_Builder&) = delete;
    Job_Builder& operator=(const Job_Builder&) = delete;

    void add(const Record& request);
    void close();
    // Waits for every page to be drawn, then hands the job over.
    Printed_Job hand_over();

private:
    bool ready(int page);
    Record page_of(int page);
    bool go_ahead();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Record> pages_;
    bool closed_ = false; // no page comes after those added
    bool going_ahead_ = false; // to be handed over
    bool giving_up_ = false;
    std::optional<Printed_Job> job_;
    std::thread drawer_; // last: it starts once the rest stands
};

// The printer's shift and turn, on the page as the format has it; the preview shows the same.
void apply_adjustment(QPainter& painter, double px_per_mm, const Envelope_Format& format,
    const Format_Adjustment& adjustment);

// A page for plain paper, held against an envelope against the light: the format's outline,
// millimetre rulers along its edges, crosshairs at the middles of the code boxes and at the name
// frame, so that the shift can be read off, and `words` on what the page is and how to read it.
void draw_calibration(
    QPainter& painter, double px_per_mm, const Envelope_Format& format, const QString& words);
// Those words: the printer, the format, the time, the shift it was printed with, how to use it.
QString calibration_words(
    const std::string& printer, const std::string& format, const Format_Adjustment& adjustment);
Printed_Job print_calibration(
    const std::string& printer, const std::string& format, const Printer_Settings& settings);

// Why the printer cannot take the format's paper, or nothing when it can.
std::string paper_refusal(const std::string& printer, const Envelope_Format& format);
