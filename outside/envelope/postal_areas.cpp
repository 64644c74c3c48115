#include "postal_areas.h"

#include <QList>
#include <algorithm>
#include <vector>

namespace {

// The counties from before the mergers, and the cities that took them over: their townships'
// 市, 鎮 and 鄉 became 區.
const std::pair<const char*, const char*> merged_counties[] = {{"臺北縣", "新北市"},
    {"臺中縣", "臺中市"}, {"臺南縣", "臺南市"}, {"高雄縣", "高雄市"}, {"桃園縣", "桃園市"}};

bool merged(const QString& county)
{
    return std::any_of(std::begin(merged_counties), std::end(merged_counties),
        [&](const auto& pair) { return county == QString::fromUtf8(pair.second); });
}

// Full-width to half-width, 台 to 臺 as the official names have it, no spaces or commas, no
// code before the address, no "中華民國" or "臺灣省" before the county.
QString normalised(const QString& address)
{
    QString text = address.normalized(QString::NormalizationForm_KC);
    text.replace(u'台', u'臺');
    QString kept;
    for (const QChar c : text) {
        if (!c.isSpace() && c != u',' && c != u'，' && c != u'、')
            kept += c;
    }
    qsizetype start = 0;
    while (start < kept.size() && (kept[start].isDigit() || kept[start] == u'-'))
        ++start;
    kept = kept.mid(start);
    for (const QString& prefix :
        {QStringLiteral("中華民國"), QStringLiteral("臺灣省"), QStringLiteral("臺灣")}) {
        if (kept.startsWith(prefix))
            kept = kept.mid(prefix.size());
    }
    return kept;
}

// The county the text starts with, the old ones by the cities that took them over; with how
// much of the text it took.
std::optional<std::pair<QString, qsizetype>> county_at_start(const QString& text)
{
    for (const auto& [old_name, city] : merged_counties) {
        if (text.startsWith(QString::fromUtf8(old_name)))
            return std::pair {QString::fromUtf8(city), QString::fromUtf8(old_name).size()};
    }
    for (const Postal_Area& area : postal_area_table) {
        const QString county = QString::fromUtf8(area.county);
        if (text.startsWith(county))
            return std::pair {county, county.size()};
    }
    return std::nullopt;
}

// The names a district goes by: its own, and in the merged cities the township's from before
// (板橋區 was 板橋市, 鳳山區 鳳山市, 茂林區 茂林鄉).
std::vector<QString> names_of(const Postal_Area& area)
{
    const QString district = QString::fromUtf8(area.district);
    std::vector<QString> names = {district};
    if (merged(QString::fromUtf8(area.county)) && district.endsWith(u'區')) {
        for (const QChar old_ending : {u'市', u'鎮', u'鄉'})
            names.push_back(district.chopped(1) + old_ending);
    }
    return names;
}

// The areas whose district (by any of its names) the text starts with, longest names first.
std::vector<const Postal_Area*> districts_at_start(const QString& text, const QString& county)
{
    std::vector<const Postal_Area*> found;
    qsizetype longest = 0;
    for (const Postal_Area& area : postal_area_table) {
        if (!county.isEmpty() && county != QString::fromUtf8(area.county))
            continue;
        for (const QString& name : names_of(area)) {
            if (!text.startsWith(name) || name.size() < longest)
                continue;
            if (name.size() > longest)
                found.clear();
            longest = name.size();
            found.push_back(&area);
        }
    }
    return found;
}

Address_Area area(const Postal_Area& found)
{
    return {QString::fromUtf8(found.county), QString::fromUtf8(found.district), found.code};
}

// A county named alone: its code where all its districts share one (新竹市 300, 嘉義市 600).
std::optional<Address_Area> county_alone(const QString& county)
{
    std::optional<int> code;
    for (const Postal_Area& area : postal_area_table) {
        if (county != QString::fromUtf8(area.county))
            continue;
        if (code && *code != area.code)
            return std::nullopt;
        code = area.code;
    }
    if (!code)
        return std::nullopt;
    return Address_Area {county, {}, *code};
}

} // namespace

std::optional<Address_Area> area_of(const QString& address)
{
    const QString text = normalised(address);
    if (const auto county = county_at_start(text)) {
        const auto districts = districts_at_start(text.mid(county->second), county->first);
        if (districts.size() == 1)
            return area(*districts.front());
        return county_alone(county->first);
    }
    // No county: a district's name is enough only where it names one code in all of Taiwan.
    const auto districts = districts_at_start(text, {});
    if (districts.empty())
        return std::nullopt;
    const bool one_code = std::all_of(districts.begin(), districts.end(),
        [&](const Postal_Area* area) { return area->code == districts.front()->code; });
    if (!one_code)
        return std::nullopt;
    return area(*districts.front());
}
