#include "postal_areas.h"

#include <QList>
#include <algorithm>
#include <array>
#include <vector>

namespace {

QString text(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// The counties from before the mergers of 2010 and 2014, the cities that took them over, and the
// districts that were the old cities' own (臺中市西屯區 was never a township of 臺中縣): the
// others were the counties' townships, whose 市, 鎮 and 鄉 became 區.
struct Merger
{
    const char* old_county;
    const char* city;
    std::vector<const char*> old_city_districts;
};

const std::array<Merger, 5> mergers = {{
    {"臺北縣", "新北市", {}},
    {"桃園縣", "桃園市", {}},
    {"臺中縣", "臺中市", {"中區", "東區", "南區", "西區", "北區", "西屯區", "南屯區", "北屯區"}},
    {"臺南縣", "臺南市", {"東區", "南區", "北區", "安南區", "安平區", "中西區"}},
    {"高雄縣", "高雄市",
        {"鹽埕區", "鼓山區", "左營區", "楠梓區", "三民區", "新興區", "前金區", "苓雅區", "前鎮區",
            "旗津區", "小港區"}},
}};

// Townships renamed or made cities since their names were common: the old name, after its county,
// still reads as the new one (高雄縣三民鄉 has been 那瑪夏 since 2008; 頭份 and 員林 became 市 in
// 2015).
struct Renamed
{
    const char* county; // as it was named then
    const char* old_name;
    const char* district; // in the table
};

const std::array<Renamed, 10> renamed = {{
    {"高雄縣", "三民鄉", "那瑪夏區"},
    {"苗栗縣", "頭份鎮", "頭份市"},
    {"彰化縣", "員林鎮", "員林市"},
    {"新竹縣", "竹北鎮", "竹北市"},
    {"嘉義縣", "太保鄉", "太保市"},
    {"嘉義縣", "朴子鎮", "朴子市"},
    {"雲林縣", "斗六鎮", "斗六市"},
    {"澎湖縣", "馬公鎮", "馬公市"},
    {"臺東縣", "臺東鎮", "臺東市"},
    {"南投縣", "南投鎮", "南投市"},
}};

// Other names people write a county by: the four cities' short names, and Matsu for 連江縣.
const std::array<std::pair<const char*, const char*>, 5> county_aliases = {{
    {"北市", "臺北市"},
    {"中市", "臺中市"},
    {"南市", "臺南市"},
    {"高市", "高雄市"},
    {"馬祖", "連江縣"},
}};

// The islands the table has areas of: wherever an address names one, it is theirs.
const std::array<std::pair<const char*, int>, 5> islands = {{
    {"東沙", 817},
    {"南沙", 819},
    {"太平島", 819},
    {"釣魚臺", 290},
    {"釣魚島", 290},
}};

// Simplified forms of the characters of the counties' and districts' names, as a Simplified
// keyboard types them.
const std::array<std::pair<char16_t, char16_t>, 24> simplified = {{
    {u'区', u'區'},
    {u'县', u'縣'},
    {u'乡', u'鄉'},
    {u'镇', u'鎮'},
    {u'门', u'門'},
    {u'连', u'連'},
    {u'兰', u'蘭'},
    {u'云', u'雲'},
    {u'义', u'義'},
    {u'凤', u'鳳'},
    {u'东', u'東'},
    {u'阳', u'陽'},
    {u'华', u'華'},
    {u'丰', u'豐'},
    {u'龙', u'龍'},
    {u'湾', u'灣'},
    {u'园', u'園'},
    {u'屿', u'嶼'},
    {u'万', u'萬'},
    {u'内', u'內'},
    {u'兴', u'興'},
    {u'宁', u'寧'},
    {u'鸟', u'鳥'},
    {u'岛', u'島'},
}};

// Full-width to half-width, the official 臺 for 台, traditional for simplified, 市 for the
// look-alike 巿; no spaces or commas, no code before the address (bracketed or not), no
// "中華民國" or "臺灣省" before the county.
QString normalised(const QString& address)
{
    QString text = address.normalized(QString::NormalizationForm_KC);
    text.replace(u'台', u'臺').replace(u'\u5DFF', u'市');
    for (const auto& [from, to] : simplified)
        text.replace(QChar(from), QChar(to));
    QString kept;
    for (const QChar c : text) {
        if (!c.isSpace() && c != u',' && c != u'、')
            kept += c;
    }
    qsizetype start = 0;
    const auto opening = [](QChar c) { return c == u'(' || c == u'[' || c == u'【' || c == u'〔'; };
    const auto closing = [](QChar c) { return c == u')' || c == u']' || c == u'】' || c == u'〕'; };
    if (start < kept.size() && opening(kept[start]))
        ++start;
    while (start < kept.size() && (kept[start].isDigit() || kept[start] == u'-'))
        ++start;
    if (start < kept.size() && closing(kept[start]))
        ++start;
    kept = kept.mid(start);
    for (const QString& prefix :
        {QStringLiteral("中華民國"), QStringLiteral("臺灣省"), QStringLiteral("臺灣")}) {
        if (kept.startsWith(prefix))
            kept = kept.mid(prefix.size());
    }
    return kept;
}

const Merger* merger_of_old(const QString& county)
{
    const auto found = std::find_if(mergers.begin(), mergers.end(),
        [&](const Merger& merger) { return county == text(merger.old_county); });
    return found == mergers.end() ? nullptr : &*found;
}

// A county as the address names it: `county` the table's name, `named` how it was written (the
// old county's name, an alias, or the table's), `length` how much of the text it took.
struct Named_County
{
    QString county;
    QString named;
    qsizetype length;
};

std::vector<Named_County> counties_at_start(const QString& address)
{
    std::vector<Named_County> found;
    for (const Merger& merger : mergers) {
        if (address.startsWith(text(merger.old_county)))
            found.push_back({text(merger.city), text(merger.old_county), 3});
    }
    for (const auto& [alias, county] : county_aliases) {
        if (address.startsWith(text(alias)))
            found.push_back({text(county), text(alias), 2});
    }
    QStringList seen;
    for (const Postal_Area& area : postal_area_table) {
        const QString county = text(area.county);
        if (seen.contains(county))
            continue;
        seen << county;
        // Written whole, or without its 市 or 縣 where a district follows ("臺北大安區").
        if (address.startsWith(county))
            found.push_back({county, county, county.size()});
        else if (address.startsWith(county.chopped(1)))
            found.push_back({county, county, county.size() - 1});
    }
    return found;
}

// The names a district goes by after the county written as `named`: its own; after an old
// county, the township's name from before, for those that were its townships; and the names of
// townships renamed since.
std::vector<QString> names_of(const Postal_Area& area, const QString& named)
{
    const QString district = text(area.district);
    std::vector<QString> names = {district};
    if (const Merger* merger = merger_of_old(named); merger != nullptr
        && text(area.county) == text(merger->city) && district.endsWith(u'區')
        && std::none_of(merger->old_city_districts.begin(), merger->old_city_districts.end(),
            [&](const char* own) { return district == text(own); })) {
        for (const QChar old_ending : {u'市', u'鎮', u'鄉'})
            names.push_back(district.chopped(1) + old_ending);
    }
    for (const Renamed& rename : renamed) {
        if (named == text(rename.county) && district == text(rename.district))
            names.push_back(text(rename.old_name));
    }
    return names;
}

// The areas whose district (by any of its names) the text starts with, longest names first.
std::vector<const Postal_Area*> districts_at_start(
    const QString& address, const QString& county, const QString& named)
{
    std::vector<const Postal_Area*> found;
    qsizetype longest = 0;
    for (const Postal_Area& area : postal_area_table) {
        if (!county.isEmpty() && county != text(area.county))
            continue;
        for (const QString& name : names_of(area, named)) {
            if (!address.startsWith(name) || name.size() < longest)
                continue;
            if (name.size() > longest)
                found.clear();
            longest = name.size();
            found.push_back(&area);
        }
    }
    if (named.isEmpty()) // without a county, old and renamed townships are not read
        std::erase_if(found,
            [&](const Postal_Area* area) { return !address.startsWith(text(area->district)); });
    return found;
}

Address_Area area(const Postal_Area& found)
{
    return {text(found.county), text(found.district), found.code};
}

// A county named alone: its code where all its districts share one (新竹市 300, 嘉義市 600).
std::optional<Address_Area> county_alone(const QString& county)
{
    std::optional<int> code;
    for (const Postal_Area& area : postal_area_table) {
        if (county != text(area.county))
            continue;
        if (code && *code != area.code)
            return std::nullopt;
        code = area.code;
    }
    if (!code)
        return std::nullopt;
    return Address_Area {county, {}, *code};
}

std::optional<Address_Area> island_of(const QString& address)
{
    for (const auto& [island, code] : islands) {
        if (!address.contains(text(island)))
            continue;
        for (const Postal_Area& area : postal_area_table) {
            if (area.code == code)
                return Address_Area {text(area.county), text(area.district), code};
        }
    }
    return std::nullopt;
}

std::optional<Address_Area> read_chinese(const QString& address)
{
    if (const auto island = island_of(address))
        return island;
    // Each way of reading a county at the start, a district after it; one area, or the county's
    // own code where it has one.
    std::vector<Address_Area> read;
    std::optional<Address_Area> county_only;
    bool ambiguous = false;
    for (const Named_County& county : counties_at_start(address)) {
        const auto districts
            = districts_at_start(address.mid(county.length), county.county, county.named);
        if (districts.size() == 1) {
            read.push_back(area(*districts.front()));
        } else if (districts.empty() && county.length == county.county.size()
            && county.named == county.county) {
            const auto alone = county_alone(county.county);
            ambiguous = ambiguous || !alone;
            if (alone)
                county_only = alone;
        }
    }
    if (!read.empty()) {
        const bool agree = std::all_of(read.begin(), read.end(),
            [&](const Address_Area& each) { return each.code == read.front().code; });
        return agree ? std::optional(read.front()) : std::nullopt;
    }
    if (county_only || ambiguous)
        return county_only;
    // No county: a district's name is enough only where it names one code in all of Taiwan.
    const auto districts = districts_at_start(address, {}, {});
    if (districts.empty())
        return std::nullopt;
    const bool one_code = std::all_of(districts.begin(), districts.end(),
        [&](const Postal_Area* each) { return each->code == districts.front()->code; });
    if (!one_code)
        return std::nullopt;
    return area(*districts.front());
}

// An English name as compared: its letters alone, in lower case ("Da'an" and "Daan" alike).
QString letters(const QString& name)
{
    QString kept;
    for (const QChar c : name) {
        if (c.isLetter())
            kept += c.toLower();
    }
    return kept;
}

// The words of an address, letters and digits alone, in lower case.
QStringList words_of(const QString& address)
{
    QStringList words(QString {});
    for (const QChar c : address.normalized(QString::NormalizationForm_KC)) {
        if (c.isLetterOrNumber() || c == u'\'')
            words.back() += c.toLower();
        else if (!words.back().isEmpty())
            words.append(QString());
    }
    if (words.back().isEmpty())
        words.removeLast();
    for (QString& word : words)
        word.remove(u'\'');
    return words;
}

// Where `name`'s words stand in `words` at `at`.
bool words_at(const QStringList& words, qsizetype at, const QStringList& name)
{
    if (at < 0 || at + name.size() > words.size())
        return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (words[at + i] != name[i])
            return false;
    }
    return true;
}

// An address written in English, as the post office's own forms have it: "No. 7, Sec. 5, Xinyi
// Rd., Xinyi Dist., Taipei City 110, Taiwan". The city or county, then the district before it;
// a code written beside the city where the district is not named.
std::optional<Address_Area> read_english(const QString& address)
{
    const QStringList words = words_of(address);
    std::vector<Address_Area> read;
    QStringList seen;
    for (const Postal_Area& county_area : postal_area_table) {
        const QString county = text(county_area.county);
        if (seen.contains(county))
            continue;
        seen << county;
        const QStringList county_words = words_of(text(county_area.county_english));
        for (qsizetype at = 0; at < words.size(); ++at) {
            if (!words_at(words, at, county_words))
                continue;
            // "New Taipei City" is not "Taipei City".
            if (county_words.front() == u"taipei" && at > 0 && words[at - 1] == u"new")
                continue;
            std::optional<Address_Area> district;
            std::optional<int> written;
            for (const Postal_Area& each : postal_area_table) {
                if (text(each.county) != county)
                    continue;
                const QString name = letters(text(each.district_english));
                for (qsizetype before = at - 1; before >= std::max<qsizetype>(0, at - 3);
                     --before) {
                    if (letters(words.mid(before, at - before).join(QString())) == name
                        || (at - before >= 2
                            && letters(words.mid(before, at - before - 1).join(QString())) == name))
                        district = area(each);
                }
                const qsizetype after = at + county_words.size();
                if (after < words.size() && words[after].left(3) == QString::number(each.code))
                    written = each.code;
            }
            if (district)
                read.push_back(*district);
            else if (written)
                read.push_back({county, {}, *written});
            else if (const auto alone = county_alone(county))
                read.push_back(*alone);
        }
    }
    if (read.empty())
        return std::nullopt;
    const bool agree = std::all_of(read.begin(), read.end(),
        [&](const Address_Area& each) { return each.code == read.front().code; });
    return agree ? std::optional(read.front()) : std::nullopt;
}

bool has_han(const QString& text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x2E80; });
}

} // namespace

std::optional<Address_Area> area_of(const QString& address)
{
    if (has_han(address))
        return read_chinese(normalised(address));
    return read_english(address);
}
