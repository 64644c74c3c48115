// The window's values without a window: the settings record, the output requests, the size
// ratio's text rules and the request lines.

#include "output_request.h"
#include "parameters.h"
#include "size_ratio.h"
#include "test_platform.h"

#include <QTest>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <regex>

Q_DECLARE_METATYPE(std::string)
Q_DECLARE_METATYPE(Value)

using Columns = std::vector<std::vector<std::string>>;

namespace {
const double inf = std::numeric_limits<double>::infinity();
const double nan_value = std::numeric_limits<double>::quiet_NaN();

// Seven rows, all empty, with the given cells filled: {row, column, text}.
Columns table(std::initializer_list<std::tuple<int, int, std::string>> filled)
{
    Columns columns(3, std::vector<std::string>(7));
    for (const auto& [row, column, text] : filled)
        columns[column][row] = text;
    return columns;
}

std::vector<std::string> recipients(const std::vector<Record>& requests)
{
    std::vector<std::string> rows;
    for (const Record& request : requests) {
        rows.push_back(std::get<std::string>(request.at("收件人姓名")) + "|"
            + std::get<std::string>(request.at("收件人郵遞區號")) + "|"
            + std::get<std::string>(request.at("收件人地址")));
    }
    return rows;
}
// A second, independent reading of the entry rules: a table of the digits the junk uses, a
// regular expression for the form, and the C library's strtod in the "C" locale for the value.
std::optional<double> oracle(const std::u32string& text)
{
    static const std::u32string spaces = U"\t\n\v\f\r \u0085\u00a0\u1680\u2000\u2001\u2002\u2003"
                                         U"\u2004\u2005\u2006\u2007\u2008\u2009\u200a\u2028\u2029"
                                         U"\u202f\u205f\u3000";
    const auto first = text.find_first_not_of(spaces);
    if (first == std::u32string::npos)
        return std::nullopt;
    const auto last = text.find_last_not_of(spaces);
    std::string ascii;
    for (char32_t c : text.substr(first, last - first + 1)) {
        if (c >= U'０' && c <= U'９')
            c = U'0' + (c - U'０');
        else if (c >= U'٠' && c <= U'٩')
            c = U'0' + (c - U'٠');
        if (c >= 0x80)
            return std::nullopt;
        ascii += char(c);
    }
    std::string word = ascii;
    for (char& c : word)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    if (word == "inf" || word == "infinity")
        return std::numeric_limits<double>::infinity();
    if (word == "nan")
        return std::numeric_limits<double>::quiet_NaN();
    static const std::regex decimal(R"([+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?)");
    if (!std::regex_match(ascii, decimal))
        return std::nullopt;
    return test_platform::c_library_strtod(ascii);
}

bool same(std::optional<double> a, std::optional<double> b)
{
    if (a.has_value() != b.has_value())
        return false;
    if (!a)
        return true;
    if (std::isnan(*a) || std::isnan(*b))
        return std::isnan(*a) && std::isnan(*b);
    return std::memcmp(&*a, &*b, sizeof(double)) == 0;
}

} // namespace

class Tst_Values : public QObject
{
    Q_OBJECT

private slots:
    void fresh_parameters_hold_six_defaults_in_order()
    {
        const Parameters PP;
        const std::vector<std::string> keys = {"顯示免用統一發票章", "顯示負責人章", "顯示日期",
            "文字大小比例", "中文文字字體", "英文文字字體"};
        QCOMPARE(PP.parameters.keys(), keys);
        QCOMPARE(PP.parameters.at("顯示免用統一發票章"), Value(false));
        QCOMPARE(PP.parameters.at("顯示負責人章"), Value(false));
        QCOMPARE(PP.parameters.at("顯示日期"), Value(true));
        QVERIFY(std::holds_alternative<long long>(PP.parameters.at("文字大小比例")));
        QCOMPARE(PP.parameters.at("文字大小比例"), Value(1LL));
        QCOMPARE(PP.parameters.at("中文文字字體"), Value(std::string("微軟正黑體")));
        QCOMPARE(PP.parameters.at("英文文字字體"), Value(std::string("Calibri")));
    }

    void record_keeps_insertion_order_and_kinds()
    {
        Record record;
        record["b"] = 1LL;
        record["a"] = 1.0;
        record["b"] = std::string("again");
        QCOMPARE(record.keys(), (std::vector<std::string> {"b", "a"}));
        QVERIFY(record.at("a") != Value(1LL));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, record.at("missing"));
    }

    void request_line_is_one_json_object_in_field_order()
    {
        Record record;
        record["信件格式"] = std::string("DL橫式信封(22cm x 11cm)");
        record["whole"] = 1LL;
        record["real"] = 1.0;
        record["small"] = 1e-05;
        record["odd"] = std::string("a\"b\\c\td\n");
        record["bad"] = nan_value;
        record["big"] = -inf;
        QCOMPARE(to_json_line(record),
            std::string("{\"信件格式\": \"DL橫式信封(22cm x 11cm)\", \"whole\": 1, "
                        "\"real\": 1.0, \"small\": 1e-05, \"odd\": \"a\\\"b\\\\c\\td\\n\", "
                        "\"bad\": NaN, \"big\": -Infinity}"));
        record["bad"] = 0.5;
        record["big"] = false;
        QCOMPARE(record_from_json_line(to_json_line(record)), record);
    }

    void shortest_real_text_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<std::string>("text");
        QTest::newRow("0.8") << 0.8 << std::string("0.8");
        QTest::newRow("whole real") << 1.0 << std::string("1.0");
        QTest::newRow("80") << 80.0 << std::string("80.0");
        QTest::newRow("1.255*100") << 1.255 * 100 << std::string("125.49999999999999");
        QTest::newRow("0.07*100") << 0.07 * 100 << std::string("7.000000000000001");
        QTest::newRow("small") << 1e-05 << std::string("1e-05");
        QTest::newRow("last plain small") << 0.0001 << std::string("0.0001");
        QTest::newRow("large") << 1e16 << std::string("1e+16");
        QTest::newRow("last plain large")
            << 1234567890123456.0 << std::string("1234567890123456.0");
        QTest::newRow("long mantissa")
            << 12345678901234567890.0 << std::string("1.2345678901234567e+19");
        QTest::newRow("negative") << -0.5 << std::string("-0.5");
        QTest::newRow("zero") << 0.0 << std::string("0.0");
        QTest::newRow("negative zero") << -0.0 << std::string("-0.0");
        QTest::newRow("huge") << 1.5e300 << std::string("1.5e+300");
        QTest::newRow("tiniest") << 5e-324 << std::string("5e-324");
        QTest::newRow("inf") << inf << std::string("inf");
        QTest::newRow("-inf") << -inf << std::string("-inf");
        QTest::newRow("nan") << nan_value << std::string("nan");
    }
    void shortest_real_text()
    {
        QFETCH(double, value);
        QFETCH(std::string, text);
        QCOMPARE(::shortest_real_text(value), text);
    }

    void hint_text_data()
    {
        QTest::addColumn<Value>("ratio");
        QTest::addColumn<std::string>("hint");
        QTest::newRow("whole 1") << Value(1LL) << std::string("100");
        QTest::newRow("real 1.0") << Value(1.0) << std::string("100.0");
        QTest::newRow("0.8") << Value(0.8) << std::string("80.0");
        QTest::newRow("1.255") << Value(1.255) << std::string("125.49999999999999");
        QTest::newRow("0.07") << Value(0.07) << std::string("7.000000000000001");
        QTest::newRow("-0.5") << Value(-0.5) << std::string("-50.0");
        QTest::newRow("zero") << Value(0.0) << std::string("0.0");
        QTest::newRow("tiny") << Value(1e-07) << std::string("9.999999999999999e-06");
        QTest::newRow("tinier") << Value(1e-09) << std::string("1.0000000000000001e-07");
        QTest::newRow("huge") << Value(1e14) << std::string("1e+16");
        QTest::newRow("inf") << Value(inf) << std::string("inf");
        QTest::newRow("-inf") << Value(-inf) << std::string("-inf");
        QTest::newRow("nan") << Value(nan_value) << std::string("nan");
    }
    void hint_text()
    {
        QFETCH(Value, ratio);
        QFETCH(std::string, hint);
        QCOMPARE(ratio_hint_text(ratio), hint);
    }

    void entry_text_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("converts");
        QTest::addColumn<double>("percent");
        auto ok = [](const char* name, const QString& text, double percent) {
            QTest::newRow(name) << text << true << percent;
        };
        auto fails = [](const char* name, const QString& text) {
            QTest::newRow(name) << text << false << 0.0;
        };
        ok("plain", "80", 80);
        ok("spaces around", "  80  ", 80);
        ok("tabs and newlines", "\t80\r\n", 80);
        ok("ideographic spaces", QString::fromUtf8("\u300080\u3000"), 80);
        ok("next line and no-break space", QString::fromUtf8("\u0085\u00a080\u2029"), 80);
        ok("full-width digits", QString::fromUtf8("８０"), 80);
        ok("Arabic-Indic digits", QString::fromUtf8("٨٠"), 80);
        ok("Devanagari digits", QString::fromUtf8("८०.५"), 80.5);
        ok("supplementary-plane digits", QString::fromUtf8("\U0001D7E0\U0001D7D8"), 80);
        ok("exponent", "8e1", 80);
        ok("capital exponent", "8E+1", 80);
        ok("fraction", "80.5", 80.5);
        ok("leading point", ".5", 0.5);
        ok("trailing point", "5.", 5);
        ok("plus sign", "+5", 5);
        ok("negative", "-50", -50);
        ok("zero", "0", 0);
        ok("leading zeros", "0080", 80);
        ok("overflow", "1e999", inf);
        ok("negative overflow", "-1e999", -inf);
        ok("long overflow", "123456789" + QString(400, QLatin1Char('0')), inf);
        ok("underflow", "1e-999", 0);
        ok("huge exponent underflow", "0.0001e-99999999999999999999", 0);
        ok("subnormal", "1e-320", 1e-320);
        ok("inf", "inf", inf);
        ok("infinity any case", "InFiNiTy", inf);
        ok("nan", "NaN", nan_value);
        ok("word with spaces", " nan\t", nan_value);
        fails("empty", "");
        fails("only spaces", "   ");
        fails("percent sign", "80%");
        fails("letters", "abc");
        fails("lone point", ".");
        fails("decimal comma", "8,5");
        fails("inner space", "8 0");
        fails("sign before word", "-inf");
        fails("plus before word", "+nan");
        fails("full-width point", QString::fromUtf8("１．５"));
        fails("full-width plus", QString::fromUtf8("＋5"));
        fails("hexadecimal", "0x10");
        fails("underscore", "1_000");
        fails("exponent alone", "e5");
        fails("exponent without digits", "5e");
        fails("signed exponent without digits", "5e+");
        fails("two signs", "--5");
        fails("zero-width space", QString::fromUtf8("80\u200b"));
        fails("Mongolian vowel separator", QString::fromUtf8("\u180e80"));
        fails("superscript digit", QString::fromUtf8("8²"));
        fails("Roman numeral", QString::fromUtf8("Ⅷ"));
        fails("infinit", "infinit");
    }
    void entry_text()
    {
        QFETCH(QString, text);
        QFETCH(bool, converts);
        QFETCH(double, percent);
        const std::optional<double> result = percent_from_text(text);
        QCOMPARE(result.has_value(), converts);
        if (!converts)
            return;
        if (std::isnan(percent))
            QVERIFY(std::isnan(*result));
        else
            QCOMPARE(*result, percent);
        QCOMPARE(std::signbit(*result), std::signbit(percent));
    }

    void seeded_junk_reads_as_the_independent_rules_say()
    {
        const std::u32string alphabet
            = U"0123456789０５９٣٧+-.eEinfatyINF %,_x\t \u3000\u00a0\u2028\u200b";
        std::mt19937 random(20261208);
        for (int row = 0; row < 20000; ++row) {
            std::u32string text;
            const int length = int(random() % 9);
            for (int i = 0; i < length; ++i)
                text += alphabet[random() % alphabet.size()];
            const QString entry = QString::fromUcs4(text.data(), qsizetype(text.size()));
            QVERIFY2(same(percent_from_text(entry), oracle(text)), qPrintable(entry));
        }
    }

    void numbers_of_every_size_read_back_as_the_same_double()
    {
        std::mt19937_64 random(7);
        for (int row = 0; row < 20000; ++row) {
            const auto bits = random();
            double value = 0;
            std::memcpy(&value, &bits, sizeof value);
            if (std::isnan(value))
                continue;
            const std::string text = ::shortest_real_text(value);
            QVERIFY2(same(percent_from_text(QString::fromStdString(text)), value), text.c_str());
            QVERIFY(same(percent_from_text(QString::fromStdString(text)),
                oracle(std::u32string(text.begin(), text.end()))));
            // What the dialog shows for a stored ratio reads back as that ratio times 100.
            const std::string hint = ratio_hint_text(value / 100);
            QVERIFY(same(percent_from_text(QString::fromStdString(hint)), (value / 100) * 100));
        }
    }

    void requests_per_row_data()
    {
        QTest::addColumn<Columns>("columns");
        QTest::addColumn<std::vector<std::string>>("expected");
        using Rows = std::vector<std::string>;
        QTest::newRow("all empty: one blank request") << table({}) << Rows {"||"};
        QTest::newRow("empty first row, third filled")
            << table({{2, 0, "王小明"}}) << Rows {"||", "王小明||"};
        QTest::newRow("rows 1, 2 and 4") << table({{0, 0, "甲"}, {1, 2, "台北"}, {3, 1, "100"}})
                                         << Rows {"甲||", "||台北", "|100|"};
        QTest::newRow("postal code only") << table({{0, 1, "40341"}}) << Rows {"|40341|"};
        QTest::newRow("spaces count as filled")
            << table({{0, 0, "甲"}, {5, 2, "   "}}) << Rows {"甲||", "||   "};
        QTest::newRow("last row") << table({{6, 0, "末"}}) << Rows {"||", "末||"};
    }
    void requests_per_row()
    {
        QFETCH(Columns, columns);
        QFETCH(std::vector<std::string>, expected);
        QCOMPARE(recipients(output_requests(Record(), columns)), expected);
    }

    void requests_carry_shared_fields_first_and_their_own_row()
    {
        Record shared;
        shared["信件格式"] = std::string("西式信封(10cm x 22cm)");
        shared["文字大小比例"] = 0.9;
        const auto requests = output_requests(shared, table({{0, 0, "a"}, {1, 0, "b"}}));
        QCOMPARE(requests.size(), std::size_t(2));
        QCOMPARE(requests[0].keys(),
            (std::vector<std::string> {
                "信件格式", "文字大小比例", "收件人姓名", "收件人郵遞區號", "收件人地址"}));
        QCOMPARE(requests[0].at("收件人姓名"), Value(std::string("a")));
        QCOMPARE(requests[1].at("收件人姓名"), Value(std::string("b")));
        QCOMPARE(requests[1].at("文字大小比例"), Value(0.9));
    }

    void short_table_fails_instead_of_reading_past_it()
    {
        Columns columns = table({});
        columns[2].pop_back();
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, output_requests(Record(), columns));
    }
};

QTEST_GUILESS_MAIN(Tst_Values)
#include "tst_values.moc"
