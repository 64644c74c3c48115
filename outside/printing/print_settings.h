#pragma once

// What the user chose for printing, kept between runs (the registry on Windows, the user's
// configuration folder elsewhere): where envelopes go, and per printer and format how they are
// to be moved and turned so that they land where they should, and which paper source feeds them.

#include <map>
#include <memory>

class QSettings;
#include <string>
#include <vector>

// Per printer and format: a shift right and down, in millimetres, applied exactly, and a turn
// of half a circle (which edge enters the printer first is the printer's business).
struct Format_Adjustment
{
    double right_mm = 0;
    double down_mm = 0;
    bool turned = false;

    bool operator==(const Format_Adjustment&) const = default;
};

enum class Paper_Source { automatic, envelope, manual };

// What a shift may be, in millimetres either way: the print settings' window allows no more.
inline constexpr double largest_shift_mm = 30;

struct Printer_Settings
{
    // By the format's identity ("12k-vertical", format_key), whatever its menu text.
    std::map<std::string, Format_Adjustment> formats;
    Paper_Source source = Paper_Source::automatic;
    // Stored values that made no sense (a damaged file: 1e308, NaN, a shift beyond the largest),
    // each in words; the defaults were taken instead.
    std::vector<std::string> refused;

    // By the format's menu text.
    Format_Adjustment adjustment(const std::string& format) const;
    void set(const std::string& format, const Format_Adjustment& adjustment);
};

// The printer the envelopes go to besides their PDF files; empty for the PDF files alone.
std::string stored_destination();

Printer_Settings stored_settings(const std::string& printer);

// Each written through at once: false when the settings could not be kept.
[[nodiscard]] bool store_destination(const std::string& printer);
[[nodiscard]] bool store_settings(const std::string& printer, const Printer_Settings& settings);

// Where the settings are kept, for telling the user which place could not be written.
std::string settings_place();

// What was wrong with the settings' file when this process first looked at it (not a regular
// file: neither read nor written; damaged: kept aside as ".bad", the settings started anew);
// empty when nothing was.
std::string settings_trouble();

// Whether the user has opened the print settings once: until then each run tells that envelopes
// can go straight to a printer. Where this cannot be kept, the user is only told again.
bool print_settings_seen();
void remember_print_settings_seen();

// The program's settings file, checked as the print settings' is; nothing where it is not to be
// touched. Other windows keep their own groups in it ("lists/...").
std::unique_ptr<QSettings> program_settings();
