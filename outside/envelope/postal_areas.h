#pragma once

// Taiwan's 3-digit postal codes by area (postal_areas.tsv, built into the program), and the area
// an address lies in, read as people write addresses: full-width digits and spaces, 台 for 臺, a
// code typed at its start, the names from before the mergers of 2010 and 2014 (臺北縣板橋市 is
// 新北市板橋區). The county or city first, then the longest of its districts' names that follows
// it at once (新北市板橋區中山路 is 板橋區, not 中山區); a district named without its county only
// where no other county has one of that name (中正區 is in 臺北市 and in 基隆市: no guess).

#include <QString>
#include <array>
#include <optional>
#include <string>

struct Postal_Area
{
    const char* county;
    const char* district;
    int code;
    const char* county_english; // "New Taipei City"
    const char* district_english; // "Banqiao", without "District"
};

inline constexpr std::size_t postal_area_count = 371;
extern const std::array<Postal_Area, postal_area_count> postal_area_table;

struct Address_Area
{
    QString county;
    QString district; // empty where the county's districts all share its code
    int code = 0;

    QString name() const { return county + district; }
};

// The area of an address, or nothing when it cannot be told (foreign, misspelt, ambiguous).
std::optional<Address_Area> area_of(const QString& address);
