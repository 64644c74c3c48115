// Postal codes from addresses: every area of the table to its code, and addresses as people write
// them, to the area's code or to none where it cannot be told.

#include "postal_areas.h"
#include "postal_codes.h"

#include <QTest>
#include <set>

class Tst_Postal_Areas : public QObject
{
    Q_OBJECT

private slots:
    void every_area_reads_as_its_code_data()
    {
        QTest::addColumn<QString>("area");
        QTest::addColumn<int>("code");
        for (const Postal_Area& area : postal_area_table) {
            const QString name = QString::fromUtf8(area.county) + QString::fromUtf8(area.district);
            QTest::newRow(qPrintable(name)) << name << area.code;
        }
    }
    void every_area_reads_as_its_code()
    {
        QFETCH(QString, area);
        QFETCH(int, code);
        const auto read = area_of(area + QStringLiteral("中正路1號"));
        QVERIFY(read.has_value());
        QCOMPARE(read->code, code);
    }

    void table_holds_taiwan_s_areas()
    {
        std::set<int> codes;
        std::set<std::string> counties;
        for (const Postal_Area& area : postal_area_table) {
            codes.insert(area.code);
            counties.insert(area.county);
        }
        QCOMPARE(
            codes.size(), std::size_t(368)); // 新竹市's three districts share 300, 嘉義市's two 600
        QCOMPARE(counties.size(), std::size_t(22));
    }

    void addresses_read_as_people_write_them_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("code"); // 0: none can be told
        const std::pair<const char*, int> rows[] = {
            {"臺北市中正區重慶南路一段122號", 100},
            {"台北市大安區復興南路一段390號", 106},
            {"臺北市內湖區瑞光路５１３巷", 114},
            {"１０６臺北市大安區和平東路", 106},
            {"106 台北市大安區和平東路", 106},
            {"新北市板橋區中山路一段161號", 220},
            {"新北市板橋區文化路一段188巷44號3樓之2", 220},
            {"臺北縣板橋市文化路一段188巷", 220},
            {"台北縣三重市重新路", 241},
            {"臺北縣新店市北新路", 231},
            {"桃園縣中壢市中正路", 320},
            {"桃園市桃園區縣府路1號", 330},
            {"臺中縣豐原市中正路", 420},
            {"臺中市西區民權路91號5樓", 403},
            {"台中市北屯區崇德路", 406},
            {"臺南縣新營市民治路", 730},
            {"臺南市東區大學路1號", 701},
            {"高雄縣鳳山市光復路", 830},
            {"高雄市新興區中正三路2號", 800},
            {"高雄縣茂林鄉", 851},
            {"基隆市中正區義一路", 202},
            {"新竹市東區光復路二段101號", 300},
            {"新竹市香山區中華路", 300},
            {"新竹市", 300},
            {"嘉義市西區中山路", 600},
            {"新竹縣竹北市光明六路", 302},
            {"苗栗縣苗栗市縣府路", 360},
            {"彰化縣彰化市中山路", 500},
            {"南投縣埔里鎮中山路", 545},
            {"雲林縣台西鄉", 636},
            {"嘉義縣太保市祥和一路", 612},
            {"屏東縣霧台鄉", 902},
            {"屏東縣竹田鄉", 911},
            {"宜蘭縣宜蘭市縣政北路", 260},
            {"花蓮縣花蓮市中山路100巷3弄8號", 970},
            {"臺東縣臺東市中山路", 950},
            {"澎湖縣馬公市治平路", 880},
            {"金門縣金城鎮民生路", 893},
            {"連江縣南竿鄉介壽村", 209},
            {"高雄市東沙群島", 817},
            {"中華民國臺灣省南投縣南投市中興路", 540},
            {"板橋區文化路一段", 220}, // a district named alone, one of its name in Taiwan
            {"中正區中山南路", 0}, // 臺北市 100, 基隆市 202: no guess
            {"東區大學路", 0}, // 新竹市, 嘉義市, 臺南市
            {"臺北市中山北路二段", 0}, // a road with a district's name, no district
            {"新北市中山路", 0},
            {"台北市", 0}, // twelve districts, twelve codes
            // Read wrongly once: a short name, a renamed township, the islands.
            {"中市西屯區臺灣大道三段99號", 407}, // 中市 is 臺中市, not 中區's old name
            {"臺中市中區", 400},
            {"高雄縣三民鄉", 849}, // 那瑪夏 since 2008
            {"高雄市三民區", 807},
            {"高雄市旗津區東沙島", 817},
            {"高雄市旗津區南沙太平島", 819},
            {"宜蘭縣頭城鎮釣魚台", 290},
            // Refused once, though a clerk reads them.
            {"北市大安區", 106},
            {"南市東區大學路", 701},
            {"高市苓雅區四維三路2號", 802},
            {"臺北大安區", 106},
            {"新北板橋區", 220},
            {"桃園中壢區", 320},
            {"臺中西屯區", 407},
            {"台南安平區", 708},
            {"高雄苓雅區", 802},
            {"苗栗縣頭份鎮", 351}, // 市 since 2015
            {"彰化縣員林鎮", 510},
            {"馬祖南竿鄉", 209},
            {"(110)台北市信義區市府路1號", 110},
            {"【106】台北市大安區", 106},
            {"台北市大安区", 106}, // typed on a Simplified keyboard
            {"No. 7, Sec. 5, Xinyi Rd., Xinyi Dist., Taipei City 110, Taiwan", 110},
            {"No. 1, Sec. 4, Roosevelt Rd., Da'an Dist., Taipei City 10617", 106},
            {"No. 161, Sec. 1, Zhongshan Rd., Banqiao Dist., New Taipei City 220", 220},
            {"8F., No. 100, Taipei City 110", 110}, // the code beside the city
            {"No. 101, Sec. 2, Kuang-Fu Rd., East Dist., Hsinchu City 300", 300},
            {"Xinyi Dist., Taipei City", 110},
            {"Xinyi Dist., Keelung City", 201},
            // Old names only after their old county: alone they are not read.
            {"板橋市文化路", 0},
            {"1600 Amphitheatre Parkway, Mountain View, CA", 0},
            {"Zhongzheng Dist.", 0}, // 臺北市 100, 基隆市 202
            {"Taipei", 0},
            {"東京都千代田区丸の内1-9-1", 0},
            {"臺北巿大安區", 106}, // 巿 typed for its look-alike 市
            {"", 0},
        };
        for (const auto& [address, code] : rows)
            QTest::newRow(address) << QString::fromUtf8(address) << code;
    }
    void addresses_read_as_people_write_them()
    {
        QFETCH(QString, address);
        QFETCH(int, code);
        const auto read = area_of(address);
        QCOMPARE(read ? read->code : 0, code);
    }

    void what_the_boxes_get_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("boxed");
        QTest::addColumn<bool>("derived");
        QTest::addColumn<QString>("warning"); // a part of it; empty: none
        QTest::newRow("none typed, read") << ""
                                          << "臺北縣板橋市文化路"
                                          << "220" << true << "";
        QTest::newRow("none typed, unreadable") << ""
                                                << "東區大學路"
                                                << "" << false << "讀不出";
        QTest::newRow("none typed, no address") << ""
                                                << ""
                                                << "" << false << "";
        QTest::newRow("typed and agreeing") << "220-003"
                                            << "新北市板橋區"
                                            << "220003" << false << "";
        QTest::newRow("typed and disagreeing")
            << "106"
            << "新北市板橋區文化路"
            << "106" << false << "郵遞區號 106 與地址的新北市板橋區（220）不符";
        QTest::newRow("5 digits, as typed") << "22003"
                                            << "新北市板橋區"
                                            << "22003" << false << "";
        QTest::newRow("no code typed") << "板橋"
                                       << "新北市板橋區"
                                       << "" << false << "照原樣印出";
        // Copied from a web page or a spreadsheet, with invisible format characters inside.
        for (const char16_t invisible : {u'\u200B', u'\u00AD', u'\u200E', u'\u200F', u'\u2060',
                 u'\uFEFF', u'\u202A', u'\u061C'}) {
            const QString mark(QChar {invisible});
            QTest::addRow("U+%04X in the address", mark.at(0).unicode())
                << ""
                << "新北" + mark + "市板橋" + mark + "區文化路"
                << "220" << true << "";
            QTest::addRow("U+%04X in the code", mark.at(0).unicode()) << "220" + mark + "003"
                                                                      << "新北市板橋區"
                                                                      << "220003" << false << "";
        }
        QTest::newRow("a code of 5,000 digits, shown short")
            << QString(5000, u'1') << "新北市板橋區"
            << "" << false << "「收件人郵遞區號」「11111111111111111111…」不是";
    }
    void what_the_boxes_get()
    {
        QFETCH(QString, typed);
        QFETCH(QString, address);
        QFETCH(QString, boxed);
        QFETCH(bool, derived);
        QFETCH(QString, warning);
        const Code_Reading reading = read_postal_code(typed, address, "收件人");
        QCOMPARE(reading.digits.value_or(QString()), boxed);
        QCOMPARE(reading.derived, derived);
        QCOMPARE(QString::fromStdString(reading.warning.value_or("")).contains(warning), true);
        QCOMPARE(reading.warning.has_value(), !warning.isEmpty());
    }
};

QTEST_GUILESS_MAIN(Tst_Postal_Areas)
#include "tst_postal_areas.moc"
