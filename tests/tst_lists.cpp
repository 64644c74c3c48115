// Lists of recipients as offices keep them: files in the encodings and forms they are saved in,
// columns mapped from their headers, rows checked, and a list made and printed without a user.

#include "address_book.h"
#include "address_book_window.h"
#include "csv.h"
#include "host_options.h"
#include "list_file.h"
#include "list_rows.h"
#include "list_window.h"
#include "platform.h"
#include "record.h"
#include "request_fields.h"
#include "test_platform.h"
#include "xlsx.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <private/qzipwriter_p.h>

Q_DECLARE_METATYPE(std::vector<QStringList>)

namespace {

// "王小明" and a Taipei address in Big5, as Excel's plain CSV saves them on Traditional-Chinese
// Windows; 張堃 needs the Hong Kong additions (堃 is FB69).
const QByteArray big5
    = QByteArray("\xA9\x6D\xA6\x57\x2C\xA6\x61\xA7\x7D\x0A\xA4\xFD\xA4\x70\xA9\xFA"
                 "\x2C\xBB\x4F\xA5\x5F\xA5\xAB\xA4\x6A\xA6\x77\xB0\xCF\xB7\x73\xA5"
                 "\xCD\xAB\x6E\xB8\xF4\xA4\x47\xAC\x71\x38\x36\xB8\xB9\x0A"
                 "\xB1\x69\xFB\x69\x2C\x0A");
// Simplified text in GBK: Big5's structure fits it too.
const QByteArray gbk = QByteArray("\xD0\xD5\xC3\xFB\x2C\xB5\xD8\xD6\xB7\x0A\xC0\xEE\xC3\xF7\x2C\xB1"
                                  "\xB1\xBE\xA9\xCA\xD0\xBA\xA3\xB5\xED\xC7\xF8\xD6\xD0\xB9\xD8\xB4"
                                  "\xE5\xB4\xF3\xBD\xD6\x0A");

QByteArray utf16le(const QString& text)
{
    QByteArray bytes("\xFF\xFE");
    bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    return bytes;
}

using Rows = std::vector<QStringList>;

List_Table table_of(const Rows& rows)
{
    List_Table table;
    table.rows = rows;
    return table;
}

// A workbook as Excel writes one, its parts zipped here: the first sheet is sheet2.xml, found
// only through the workbook's relationships.
QByteArray workbook(const QString& sheet_xml, const QString& strings_xml)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QZipWriter zip(&buffer);
    zip.addFile("[Content_Types].xml", "<?xml version=\"1.0\"?><Types/>");
    zip.addFile("xl/workbook.xml",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><workbook "
        "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>"
        "<sheet name=\"會員\" sheetId=\"1\" r:id=\"rId7\"/><sheet name=\"其他\" sheetId=\"2\" "
        "r:id=\"rId1\"/></sheets></workbook>");
    zip.addFile("xl/_rels/workbook.xml.rels",
        "<?xml version=\"1.0\"?><Relationships "
        "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/>"
        "<Relationship Id=\"rId7\" Target=\"worksheets/sheet2.xml\"/></Relationships>");
    zip.addFile("xl/sharedStrings.xml", strings_xml.toUtf8());
    zip.addFile("xl/worksheets/sheet1.xml", "<worksheet><sheetData/></worksheet>");
    zip.addFile("xl/worksheets/sheet2.xml", sheet_xml.toUtf8());
    zip.close();
    return bytes;
}

// The envelopes' folder as the program finds it (under HOME here, C:\\brintlow\\Pelderwick on
// Windows, which the tests share): what came into it since this was made.
class Output_Folder
{
public:
    Output_Folder()
        : folder_(QString::fromStdString(platform::local_path(output_folder)))
        , pdfs_(int(folder_.entryList({"*.pdf"}).size()))
        , log_size_(QFileInfo(folder_.filePath("requests.jsonl")).size())
    { }

    int new_pdfs() const { return int(folder_.entryList({"*.pdf"}).size()) - pdfs_; }

    std::vector<Record> new_log_lines() const
    {
        std::vector<Record> lines;
        QFile log(folder_.filePath("requests.jsonl"));
        if (!log.open(QIODevice::ReadOnly) || !log.seek(log_size_))
            return lines;
        for (const QByteArray& line : log.readAll().split('\n'))
            if (!line.trimmed().isEmpty())
                lines.push_back(record_from_json_line(line.trimmed().toStdString()));
        return lines;
    }

private:
    QDir folder_;
    int pdfs_;
    qint64 log_size_;
};

QString write(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write the test's file");
    return file.fileName();
}

} // namespace

class Tst_Lists : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;

private slots:
    void initTestCase() { qputenv("HOME", dir_.path().toUtf8()); }

    // Every encoding and form a list comes in, read into the same rows; what is none refused
    // with where it went wrong.
    void files_are_read_as_offices_save_them_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<QString>("refused"); // a part of the sentence, or empty
        QTest::addColumn<bool>("guessed");
        const Rows names {{"姓名", "地址"}, {"王小明", "臺北市大安區新生南路二段86號"}};
        const QString text = QStringLiteral("姓名,地址\n王小明,臺北市大安區新生南路二段86號\n");
        QTest::newRow("UTF-8") << text.toUtf8() << names << "" << false;
        QTest::newRow("UTF-8 with its BOM, CRLF")
            << QByteArray("\xEF\xBB\xBF") + QString(text).replace("\n", "\r\n").toUtf8() << names
            << "" << false;
        QTest::newRow("UTF-16LE, tabs (Excel's Unicode text)")
            << utf16le(QString(text).replace(u',', u'\t')) << names << "" << false;
        Rows with_hkscs = names;
        with_hkscs.push_back({"張堃", ""});
        QTest::newRow("Big5 with a Hong Kong character") << big5 << with_hkscs << "" << false;
        QTest::newRow("GBK is a guess") << gbk << Rows() << "" << true;
        QTest::newRow("neither: the byte's offset")
            << QByteArray("姓名,地址\n王\xFF") << Rows() << "第 17 個位元組" << false;
        QTest::newRow("quotes, commas and line breaks in fields")
            << QByteArray("姓名,地址\n\"王, 小明\",\"臺北市\n\"\"大安區\"\"\"\n")
            << Rows {{"姓名", "地址"}, {"王, 小明", "臺北市\n\"大安區\""}} << "" << false;
        QTest::newRow("a quote never closed")
            << QByteArray("姓名,地址\n\"王小明,臺北市\n") << Rows() << "引號" << false;
        QTest::newRow("semicolons") << QByteArray("姓名;地址\n王小明;臺北市\n")
                                    << Rows {{"姓名", "地址"}, {"王小明", "臺北市"}} << "" << false;
        QTest::newRow("an old workbook (.xls)")
            << QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(100, '\0') << Rows()
            << "另存新檔" << false;
        QTest::newRow("a damaged workbook")
            << QByteArray("PK\x03\x04", 4) + QByteArray(60, 'x') << Rows() << "活頁簿" << false;
    }
    void files_are_read_as_offices_save_them()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(Rows, rows);
        QFETCH(QString, refused);
        QFETCH(bool, guessed);
        const QString path = write(dir_, QStringLiteral("名單.csv"), bytes);
        try {
            const List_Table table = read_list_file(path);
            QVERIFY2(refused.isEmpty(), "read although it should not be");
            QCOMPARE(table.encoding_guessed, guessed);
            if (!guessed)
                QCOMPARE(table.rows, rows);
        } catch (const List_Error& error) {
            QVERIFY2(!refused.isEmpty() && QString::fromUtf8(error.what()).contains(refused),
                error.what());
        }
    }

    // Contacts as phones and mail services export them: 2.1 with quoted-printable values in
    // UTF-8 and in Big5, 3.0 with escapes and an organisation's unit, 4.0 with a home address.
    void contacts_are_read_from_vcards()
    {
        QByteArray cards
            = "BEGIN:VCARD\r\nVERSION:2.1\r\n"
              "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=E7=8E=8B;=E5=B0=8F=E6=98=8E\r\n"
              "ADR;WORK;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:;;=E6=96=B0=E7=94=9F=\r\n"
              "=E5=8D=97=E8=B7=AF=E4=BA=8C=E6=AE=B586=E8=99=9F;=E5=A4=A7=E5=AE=89=E5=8D=80;"
              "=E8=87=BA=E5=8C=97=E5=B8=82;106;\r\nEND:VCARD\r\n"
              "BEGIN:VCARD\r\nVERSION:2.1\r\nFN;CHARSET=BIG5;QUOTED-PRINTABLE:=B1=69=FB=69\r\n"
              "END:VCARD\r\n"
              "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:John Smith\r\nORG:Acme\\, Ltd.;Sales\r\n"
              "TITLE:Manager\r\nADR;TYPE=WORK:;;No. 7\\, Xinyi Rd.;Xinyi Dist.;Taipei\r\n"
              "  City;110;Taiwan\r\nEND:VCARD\r\n"
              "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:陳老師\r\nADR;TYPE=home:;;文化路一段23號;板"
              "橋區;新北市;220;\r\nEND:VCARD\r\n";
        const QString path = write(dir_, QStringLiteral("聯絡人.vcf"), cards);
        const List_Table table = read_list_file(path);
        const Rows expected {{"姓名", "稱謂", "公司", "部門", "郵遞區號", "住家地址", "公司地址"},
            {"王小明", "", "", "", "106", "", "臺北市大安區新生南路二段86號"},
            {"張堃", "", "", "", "", "", ""},
            {"John Smith", "Manager", "Acme, Ltd.", "Sales", "110", "",
                "No. 7, Xinyi Rd., Xinyi Dist., Taipei City"},
            {"陳老師", "", "", "", "220", "新北市板橋區文化路一段23號", ""}};
        QCOMPARE(table.rows, expected);
    }

    // A workbook's first sheet by its relationships, shared and inline strings without their
    // phonetic runs, numbers as a general cell shows them, leading zeros of text kept.
    void workbooks_are_read_as_excel_shows_them()
    {
        const QString strings = QStringLiteral(
            "<sst><si><t>姓名</t></si><si><t>郵遞區號</t></si><si><r><t>王</t></r><r><t>小明</t>"
            "</r><rPh><t>おう</t></rPh></si><si><t>0912345678</t></si></sst>");
        const QString sheet = QStringLiteral(
            "<worksheet><sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"C1\" "
            "t=\"s\"><v>1</v></c></row><row r=\"3\"><c r=\"A3\" t=\"s\"><v>2</v></c><c r=\"B3\" "
            "t=\"s\"><v>3</v></c><c r=\"C3\"><v>220003</v></c></row><row r=\"4\"><c r=\"A4\" "
            "t=\"inlineStr\"><is><t>陳老師</t></is></c><c r=\"C4\"><v>2.2000300000000001E5</v></c>"
            "<c r=\"D4\"><v>0.1</v></c></row></sheetData></worksheet>");
        const QString path = write(dir_, QStringLiteral("會員.xlsx"), workbook(sheet, strings));
        const Xlsx_Sheet read = read_xlsx(path);
        QCOMPARE(read.name, QStringLiteral("會員"));
        QCOMPARE(read.sheet_names, QStringList({"會員", "其他"}));
        const Rows expected {{"姓名", "", "郵遞區號"}, {}, {"王小明", "0912345678", "220003"},
            {"陳老師", "", "220003", "0.1"}};
        QCOMPARE(read.rows, expected);
        QVERIFY_THROWS_EXCEPTION(List_Error, sheet_rows(sheet.toUtf8(), {}, 2)); // too many rows
        // Some programs write inline strings alone, and no shared strings at all.
        QCOMPARE(shared_strings(QByteArray()), QStringList());
        QVERIFY_THROWS_EXCEPTION(List_Error, read_xlsx(path, QStringLiteral("沒有這張")));
        // Another sheet, by its name, as the list window offers them.
        const List_Table other = read_list_file(path, std::nullopt, QStringLiteral("其他"));
        QCOMPARE(other.sheets, QStringList({"會員", "其他"}));
        QCOMPARE(other.sheet, QStringLiteral("其他"));
        QVERIFY(other.rows.empty());
    }

    // Workbooks saved by real programs (tests/data/saved/README.md).
    void workbooks_saved_by_real_programs_are_read_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<QString>("refused");
        QTest::newRow("phonetic runs left out")
            << "phonetic-runs.xlsx" << Rows {{QStringLiteral("課きく　毛こ")}} << "";
        QTest::newRow("a namespace prefix of its own")
            << "namespace-prefix.xlsx" << Rows {{"a", "b"}, {"1", "3"}, {"2", "4"}} << "";
        QTest::newRow("a password") << "password.xlsx" << Rows() << "密碼";
    }
    void workbooks_saved_by_real_programs_are_read()
    {
        QFETCH(QString, file);
        QFETCH(Rows, rows);
        QFETCH(QString, refused);
        try {
            const List_Table table = read_list_file(QStringLiteral(":/saved/") + file);
            QVERIFY(refused.isEmpty());
            QCOMPARE(table.rows, rows);
        } catch (const List_Error& error) {
            QVERIFY2(!refused.isEmpty() && QString::fromUtf8(error.what()).contains(refused),
                error.what());
        }
    }

    // Columns found from their headers under title rows; two that could be one field are the
    // user's choice; 縣市, 鄉鎮市區 and 地址 joined.
    void columns_are_mapped_from_their_headers_data()
    {
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<int>("header_row");
        QTest::addColumn<QString>("name"); // the first row's as the envelope has it
        QTest::addColumn<QString>("address");
        QTest::addColumn<QStringList>("choices");
        QTest::newRow("title rows above the header")
            << Rows {{"臺北市某某協會"}, {"115 年會員名單"}, {},
                   {"序號", "姓名", "職稱", "服務單位", "郵遞區號", "通訊地址"},
                   {"1", "王小明", "課長", "大安區公所", "", "臺北市大安區新生南路二段86號"}}
            << 3 << "大安區公所 王小明 課長"
            << "臺北市大安區新生南路二段86號" << QStringList();
        QTest::newRow("county, district and address joined")
            << Rows {{"姓名", "縣市", "鄉鎮市區", "地址"},
                   {"陳老師", "新北市", "板橋區", "文化路一段23號"}}
            << 0 << "陳老師"
            << "新北市板橋區文化路一段23號" << QStringList();
        QTest::newRow("home and office addresses: the user's choice")
            << Rows {{"姓名", "住家地址", "公司地址"}, {"張先生", "臺北市", "新北市"}} << 0
            << "張先生"
            << "" << QStringList {"地址"};
        QTest::newRow("a mail service's contacts")
            << Rows {{"First Name", "Last Name", "Organization Name", "Address 1 - Street",
                         "Address 1 - City", "Address 1 - Region", "Address 1 - Postal Code"},
                   {"小明", "王", "大安區公所", "新生南路二段86號", "大安區", "臺北市", "106"}}
            << 0 << "大安區公所 王小明"
            << "臺北市大安區新生南路二段86號" << QStringList();
        QTest::newRow("a mail service's contacts in English")
            << Rows {{"First Name", "Last Name", "Address 1 - Street", "Address 1 - City",
                         "Address 1 - Region"},
                   {"John", "Smith", "No. 7, Xinyi Rd.", "Xinyi Dist.", "Taipei City"}}
            << 0 << "John Smith"
            << "No. 7, Xinyi Rd., Xinyi Dist., Taipei City" << QStringList();
        QTest::newRow("English headers") << Rows {{"Name", "Company", "Address", "Zip"},
            {"John Smith", "Acme Ltd.", "No. 7, Xinyi Rd.", "110"}}
                                         << 0 << "Acme Ltd. John Smith"
                                         << "No. 7, Xinyi Rd." << QStringList();
    }
    void columns_are_mapped_from_their_headers()
    {
        QFETCH(Rows, rows);
        QFETCH(int, header_row);
        QFETCH(QString, name);
        QFETCH(QString, address);
        QFETCH(QStringList, choices);
        const List_Mapping mapping = map_columns(rows);
        QCOMPARE(mapping.header_row, header_row);
        QStringList choice_names;
        for (const auto& [field, columns] : mapping.choices)
            choice_names << QString::fromUtf8(field_name(field));
        QCOMPARE(choice_names, choices);
        const std::vector<List_Row> read = list_rows(table_of(rows), mapping, {});
        QCOMPARE(read.front().name, name);
        QCOMPARE(read.front().address, address);
    }

    // Each row's state, from the envelope's own reading: errors untick it, notes do not.
    void rows_are_checked_data()
    {
        QTest::addColumn<QStringList>("cells"); // 姓名, 稱謂, 郵遞區號, 地址
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<QString>("said");
        QTest::addColumn<QString>("derived");
        QTest::newRow("a code derived")
            << QStringList {"王小明", "", "", "臺北市大安區新生南路二段86號"} << true << ""
            << "106";
        QTest::newRow("no address") << QStringList {"王小明", "", "", ""} << false << "沒有地址"
                                    << "";
        QTest::newRow("no name") << QStringList {"", "", "", "臺北市大安區"} << false << "沒有姓名"
                                 << "106";
        QTest::newRow("a typed code against the address")
            << QStringList {"王小明", "", "220", "臺北市大安區新生南路二段86號"} << true << "不符"
            << "";
        QTest::newRow("no code to derive")
            << QStringList {"王小明", "", "", "信義路五段7號"} << true << "郵遞區號"
            << "";
        QTest::newRow("a private-use character")
            << QStringList {"王\uE000明", "", "", "臺北市大安區"} << true << "造字區"
            << "106";
        QTest::newRow("a ? left by a Big5 save")
            << QStringList {"王?明", "", "", "臺北市大安區"} << true << "「?」"
            << "106";
        QTest::newRow("先生 twice")
            << QStringList {"王小明先生", "先生", "", "臺北市大安區"} << true << "稱謂重複"
            << "106";
    }
    void rows_are_checked()
    {
        QFETCH(QStringList, cells);
        QFETCH(bool, ticked);
        QFETCH(QString, said);
        QFETCH(QString, derived);
        const Rows rows {{"姓名", "稱謂", "郵遞區號", "地址"}, cells};
        const std::vector<List_Row> read = list_rows(table_of(rows), map_columns(rows), {});
        QCOMPARE(read.size(), std::size_t(1));
        const List_Row& row = read.front();
        QCOMPARE(row.ticked, ticked);
        QCOMPARE(row.number, 2);
        QCOMPARE(row.derived_code, derived);
        QString all;
        for (const auto& text : row.errors)
            all += QString::fromStdString(text) + u'\n';
        for (const auto& text : row.notes)
            all += QString::fromStdString(text) + u'\n';
        QVERIFY2(said.isEmpty() ? all.isEmpty() : all.contains(said), qPrintable(all));
    }

    void the_same_recipient_twice_is_noted()
    {
        const Rows rows {{"姓名", "地址"}, {"王小明", "臺北市大安區"}, {"王小明", "臺北市大安區"}};
        const auto read = list_rows(table_of(rows), map_columns(rows), {});
        QVERIFY(read[0].notes.empty() && read[0].ticked);
        QCOMPARE(read[1].notes.size(), std::size_t(1));
        QVERIFY(!read[1].ticked); // still there to tick
    }

    // A row's request: the window's thirteen keys in order, then the list's two.
    void a_row_becomes_the_windows_request_and_two_keys()
    {
        List_Row row;
        row.number = 7;
        row.name = QStringLiteral("王小明");
        row.address = QStringLiteral("臺北市大安區");
        List_Settings settings;
        settings.list_name = "會員.xlsx";
        const Record request = list_request(row, settings);
        const std::vector<std::string> keys = request.keys();
        QCOMPARE(keys.size(), std::size_t(15));
        QCOMPARE(keys[6], std::string("輸入模式"));
        QCOMPARE(std::get<std::string>(request.at("輸入模式")), std::string("名單輸入模式"));
        QCOMPARE(keys[13], std::string("名單"));
        QCOMPARE(std::get<long long>(request.at("名單列")), 7LL);
        QVERIFY(std::holds_alternative<long long>(request.at("文字大小比例")));
    }

    // The list window as a user meets it: rows shown and checked, the one with an error and the
    // repeated one unticked, a column to choose where two could be the address, the envelopes
    // made from the ticked rows alone; every control with a name a screen reader says.
    void the_list_window_makes_the_ticked_rows()
    {
        QTemporaryDir home;
        qputenv("HOME", home.path().toUtf8());
        const Output_Folder folder;
        const QString path = write(home, QStringLiteral("視窗裡的名單.csv"),
            QStringLiteral("會員名單\n姓名,職稱,住家地址,公司地址\n"
                           "王小明,課長,臺北市大安區新生南路二段86號,\n"
                           "陳老師,,新北市板橋區文化路一段23號,\n"
                           "張先生,,,\n"
                           "王小明,課長,臺北市大安區新生南路二段86號,\n")
                .toUtf8());
        std::unique_ptr<QWidget> window(
            make_list_window({[](const std::string&, const std::string&) {}, {}}, path));
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        window->show();
        auto* print = window->findChild<QPushButton*>("print");
        auto* status = window->findChild<QLabel*>("status");
        QVERIFY(status->text().contains(QStringLiteral("兩欄")));
        // Until the address column is chosen, no row has an address.
        QTRY_COMPARE_WITH_TIMEOUT(print->text(), QStringLiteral("列印 0 封"), 10000);
        auto* address = window->findChild<QComboBox*>(QStringLiteral("field[地址]"));
        QVERIFY(address != nullptr);
        const int home_address = address->findText(QStringLiteral("住家地址"));
        address->setCurrentIndex(home_address);
        emit address->activated(home_address);
        QTRY_COMPARE_WITH_TIMEOUT(print->text(), QStringLiteral("列印 2 封"), 10000);
        auto* rows = window->findChild<QTableWidget*>("rows");
        QCOMPARE(rows->rowCount(), 4);
        QVERIFY(rows->item(2, 5)->text().contains(QStringLiteral("沒有地址")));
        QVERIFY(rows->item(3, 5)->text().contains(QStringLiteral("同一位")));
        for (QWidget* control : window->findChildren<QWidget*>()) {
            const bool spoken = qobject_cast<QAbstractButton*>(control)
                || qobject_cast<QComboBox*>(control) || qobject_cast<QLineEdit*>(control)
                || qobject_cast<QSpinBox*>(control) || qobject_cast<QTableWidget*>(control);
            // Parts of a control (a spin box's line, a table's corner) are the control's.
            bool part = false;
            for (QWidget* up = control->parentWidget(); up != window.get(); up = up->parentWidget())
                part = part || qobject_cast<QAbstractSpinBox*>(up) || qobject_cast<QComboBox*>(up)
                    || qobject_cast<QAbstractItemView*>(up);
            if (spoken && !part)
                QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(control->objectName()));
        }
        window->findChild<QPushButton*>("pdf_only")->click();
        QTRY_VERIFY_WITH_TIMEOUT(status->text().startsWith(QStringLiteral("已輸出 2 封")), 20000);
        QCOMPARE(folder.new_pdfs(), 2);
        QList<long long> numbers;
        for (const Record& entry : folder.new_log_lines())
            if (entry.contains("名單列"))
                numbers << std::get<long long>(entry.at("名單列"));
        QCOMPARE(numbers, QList<long long>({3, 4})); // as the spreadsheet numbers its rows
        // The column chosen is remembered for the file.
        std::unique_ptr<QWidget> again(
            make_list_window({[](const std::string&, const std::string&) {}, {}}, path));
        again->setAttribute(Qt::WA_DeleteOnClose, false);
        QTRY_COMPARE_WITH_TIMEOUT(
            again->findChild<QPushButton*>("print")->text(), QStringLiteral("列印 2 封"), 10000);
        qputenv("HOME", dir_.path().toUtf8());
    }

    // Bytes that might be Big5 or GBK are shown, but nothing is made from them until the user
    // has chosen the encoding.
    void a_guessed_encoding_waits_for_the_users_choice()
    {
        QTemporaryDir home;
        const Output_Folder folder;
        const QString path = write(home, QStringLiteral("猜.csv"), gbk);
        std::unique_ptr<QWidget> window(
            make_list_window({[](const std::string&, const std::string&) {}, {}}, path));
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        auto* status = window->findChild<QLabel*>("status");
        QVERIFY(status->text().contains(QStringLiteral("看不準編碼")));
        QTRY_VERIFY_WITH_TIMEOUT(window->property("checked").toBool(), 10000);
        window->findChild<QPushButton*>("pdf_only")->click();
        QVERIFY(status->text().contains(QStringLiteral("編碼還沒確認")));
        QCOMPARE(folder.new_pdfs(), 0);
        auto* encoding = window->findChild<QComboBox*>("encoding");
        const int big5_choice = encoding->findData(int(List_Encoding::big5));
        encoding->setCurrentIndex(big5_choice);
        emit encoding->activated(big5_choice);
        QVERIFY(!status->text().contains(QStringLiteral("看不準編碼")));
        // UTF-8 chosen for these bytes is refused with where they fail.
        const int utf8_choice = encoding->findData(int(List_Encoding::utf8));
        encoding->setCurrentIndex(utf8_choice);
        emit encoding->activated(utf8_choice);
        QVERIFY2(status->text().contains(QStringLiteral("不是 UTF-8")), qPrintable(status->text()));
    }

    // The address book keeps what is saved, as a CSV Excel opens, whatever its text holds.
    void the_address_book_keeps_what_is_saved()
    {
        QTemporaryDir home;
        qputenv("PELDERWICK_ADDRESS_BOOK", home.filePath("通訊錄.csv").toUtf8());
        Address_Book_Entry sender {"寄件人", "", "鼎新資訊股份有限公司", "總務部", "陳雅婷", "",
            "106", "臺北市大安區復興南路一段390號", "", ""};
        Address_Book_Entry tricky {"收件人", "理事, 監事", "", "", "王\"小\"明", "先生", "",
            "臺北市大安區\n新生南路二段86號", "備註", "2026-12-10"};
        QVERIFY(change_address_book([&](auto& entries) { entries = {sender, tricky}; }).empty());
        const std::vector<Address_Book_Entry> read = read_address_book();
        QCOMPARE(read.size(), std::size_t(2));
        QCOMPARE(read[1].group, tricky.group);
        QCOMPARE(read[1].name, tricky.name);
        QCOMPARE(read[1].address, tricky.address);
        QCOMPARE(name_of(read[0]), QStringLiteral("鼎新資訊股份有限公司 總務部 陳雅婷"));
        QFile file(address_book_path());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().startsWith("\xEF\xBB\xBF類別,群組,公司"));
        qunsetenv("PELDERWICK_ADDRESS_BOOK");
    }

    // Writers at once, each adding its own: none is lost, the file never mixed.
    void writers_at_once_never_mix_the_address_book()
    {
        QTemporaryDir home;
        qputenv("PELDERWICK_ADDRESS_BOOK", home.filePath("通訊錄.csv").toUtf8());
        std::vector<std::unique_ptr<QThread>> writers; // of Qt's own, as Windows needs
        std::atomic<int> failed {0};
        for (int w = 0; w < 4; ++w)
            writers.emplace_back(QThread::create([w, &failed] {
                for (int i = 0; i < 10; ++i) {
                    const std::string trouble = change_address_book([&](auto& entries) {
                        Address_Book_Entry entry;
                        entry.kind = QStringLiteral("收件人");
                        entry.name = QStringLiteral("寫者%1之%2").arg(w).arg(i);
                        entries.push_back(entry);
                    });
                    failed += trouble.empty() ? 0 : 1;
                }
            }));
        for (auto& writer : writers)
            writer->start();
        for (auto& writer : writers)
            writer->wait();
        QCOMPARE(failed.load(), 0);
        QCOMPARE(read_address_book().size(), std::size_t(40));
        qunsetenv("PELDERWICK_ADDRESS_BOOK");
    }

    void recipients_are_offered_from_the_output_log()
    {
        QTemporaryDir home;
        const QString log = write(home, "requests.jsonl",
            "{\"收件人姓名\": \"王小明\", \"收件人地址\": \"臺北市大安區\", \"收件人郵遞區號\": "
            "\"106\"}\n"
            "{\"收件人姓名\": \"王小明\", \"收件人地址\": \"臺北市大安區\", \"收件人郵遞區號\": "
            "\"106\"}\n"
            "{\"名單\": \"會員.csv\", \"列數\": 3}\n"
            "not a line of the log\n"
            "{\"收件人姓名\": \"陳老師\", \"收件人地址\": \"新北市板橋區\", \"收件人郵遞區號\": "
            "\"\"}\n"
            "{\"收件人姓名\": \"林小姐\", \"收件人地址\": \"臺中市\", \"收件人郵遞區號\": \"\"}\n");
        Address_Book_Entry known;
        known.name = QStringLiteral("林小姐");
        known.address = QStringLiteral("臺中市");
        const auto found = recipients_from_log(log, {known});
        QCOMPARE(found.size(), std::size_t(2));
        QCOMPARE(found[0].name, QStringLiteral("王小明"));
        QCOMPARE(found[0].postal_code, QStringLiteral("106"));
        QCOMPARE(found[1].name, QStringLiteral("陳老師"));
    }

    // A run stopped before its end: its rows not sent are where going on begins.
    void a_stopped_run_is_gone_on_from_where_it_stopped()
    {
        QTemporaryDir home;
        const QString log = write(home, "requests.jsonl",
            "{\"名單\": \"會員.csv\", \"名單列\": 3, \"結果\": \"已輸出\"}\n"
            "{\"名單\": \"會員.csv\", \"名單列\": 4, \"結果\": \"沒有輸出\", \"原因\": "
            "\"沒有送出：停止了\"}\n"
            "{\"名單\": \"別的.csv\", \"名單列\": 9, \"結果\": \"沒有輸出\", \"原因\": "
            "\"沒有送出：停止了\"}\n"
            "{\"名單\": \"會員.csv\", \"名單列\": 5, \"結果\": \"沒有輸出\", \"原因\": "
            "\"沒有送出：停止了\"}\n"
            "{\"名單\": \"會員.csv\", \"列數\": 3, \"沒有送出\": 2}\n");
        QCOMPARE(rows_not_sent(log, "會員.csv"), std::vector<int>({4, 5}));
        QCOMPARE(rows_not_sent(log, "別的.csv"), std::vector<int>()); // its run never ended
        // A later run that sent everything leaves nothing to go on with.
        QFile more(log);
        QVERIFY(more.open(QIODevice::Append));
        more.write("{\"名單\": \"會員.csv\", \"列數\": 3, \"沒有送出\": 0}\n");
        more.close();
        QCOMPARE(rows_not_sent(log, "會員.csv"), std::vector<int>());
    }

    // The address book's window: a recipient added and saved, then sent to a list window.
    void the_address_book_window_saves_and_hands_recipients_to_a_list()
    {
        QTemporaryDir home;
        qputenv("PELDERWICK_ADDRESS_BOOK", home.filePath("通訊錄.csv").toUtf8());
        std::unique_ptr<QWidget> book(
            make_address_book_window({[](const std::string&, const std::string&) {}, {}}));
        book->setAttribute(Qt::WA_DeleteOnClose, false);
        book->show();
        auto* entries = book->findChild<QTableWidget*>("entries");
        book->findChild<QPushButton*>("add_recipient")->click();
        QCOMPARE(entries->rowCount(), 1);
        entries->item(0, 4)->setText(QStringLiteral("王小明"));
        entries->item(0, 7)->setText(QStringLiteral("臺北市大安區新生南路二段86號"));
        book->findChild<QPushButton*>("save")->click();
        QCOMPARE(read_address_book().size(), std::size_t(1));
        for (QPushButton* button : book->findChildren<QPushButton*>())
            QVERIFY(!button->accessibleName().isEmpty());
        const auto before = QApplication::topLevelWidgets().size();
        book->findChild<QPushButton*>("to_list")->click();
        QWidget* list = nullptr;
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->windowTitle() == QStringLiteral("名單列印"))
                list = window;
        QVERIFY(QApplication::topLevelWidgets().size() > before && list != nullptr);
        QTRY_COMPARE_WITH_TIMEOUT(
            list->findChild<QPushButton*>("print")->text(), QStringLiteral("列印 1 封"), 10000);
        QVERIFY(!read_address_book().front().last_used.isEmpty());
        list->close();
        qunsetenv("PELDERWICK_ADDRESS_BOOK");
    }

    // A club's 200 members from a workbook, made in one go without a window.
    void a_workbook_of_two_hundred_is_made_headless()
    {
        QTemporaryDir home;
        QString sheet = QStringLiteral(
            "<worksheet><sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v>"
            "</c><c r=\"B1\" t=\"s\"><v>1</v></c><c r=\"C1\" t=\"s\"><v>2</v></c></row>");
        for (int i = 0; i < 200; ++i)
            sheet += QStringLiteral(
                "<row r=\"%1\"><c r=\"A%1\" t=\"inlineStr\"><is><t>會員%2</t></is></c>"
                "<c r=\"B%1\"><v>106</v></c><c r=\"C%1\" t=\"inlineStr\"><is><t>"
                "臺北市大安區新生南路二段%3號</t></is></c></row>")
                         .arg(i + 2)
                         .arg(i)
                         .arg(i + 1);
        sheet += QStringLiteral("</sheetData></worksheet>");
        const QString path = write(home, QStringLiteral("members.xlsx"),
            workbook(sheet,
                QStringLiteral("<sst><si><t>姓名</t></si><si><t>郵遞區號</t></si><si>"
                               "<t>通訊地址</t></si></sst>")));
        qputenv("HOME", home.path().toUtf8());
        const Output_Folder folder;
        QProcess host;
        host.start(test_platform::built_program("pelderwick"), {"--list", path, "--output-all"});
        QVERIFY(host.waitForFinished(300000));
        QCOMPARE(host.exitCode(), 0);
        QCOMPARE(
            QString::fromUtf8(host.readAllStandardOutput()).count(QStringLiteral("已輸出")), 200);
        QCOMPARE(folder.new_pdfs(), 200);
        qputenv("HOME", dir_.path().toUtf8());
    }

    // How a list reaches the program: its command lines, and a file dropped on it.
    void command_lines_open_lists_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("list");
        QTest::addColumn<bool>("window"); // the list window, else made without one
        QTest::addColumn<bool>("understood");
        QTest::newRow("a list in its window")
            << QStringList {"--list", "會員.xlsx"} << "會員.xlsx" << true << true;
        QTest::newRow("made without a window")
            << QStringList {"--list", "會員.xlsx", "--output-all", "--printer", "EnvPDF"}
            << "會員.xlsx" << false << true;
        QTest::newRow("a file dropped on the program")
            << QStringList {"C:\\Users\\me\\會員.csv"} << "C:\\Users\\me\\會員.csv" << true << true;
        QTest::newRow("a file dialog first") << QStringList {"--list"} << "" << true << true;
        QTest::newRow("a dialog, then a printer")
            << QStringList {"--list", "--printer", "EnvPDF"} << "" << true << true;
        QTest::newRow("all of a list, but which")
            << QStringList {"--output-all"} << "" << false << false;
    }
    void command_lines_open_lists()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, list);
        QFETCH(bool, window);
        QFETCH(bool, understood);
        std::vector<std::string> texts {"pelderwick"};
        for (const QString& argument : arguments)
            texts.push_back(argument.toStdString());
        std::vector<const char*> argv;
        for (const std::string& text : texts)
            argv.push_back(text.c_str());
        const Host_Options options = host_options(int(argv.size()), argv.data());
        QCOMPARE(options.complaint.empty(), understood);
        if (!understood)
            return;
        QCOMPARE(QString::fromStdString(options.list), list);
        QCOMPARE(options.list_chosen && !options.output_all, window);
    }

    // In the window: filters, sorting by area with counts, an edit checked anew and never
    // written to the file.
    void the_list_window_filters_sorts_and_edits()
    {
        QTemporaryDir home;
        const QString path = write(home, QStringLiteral("區.csv"),
            QStringLiteral("姓名,地址\n王小明,新北市板橋區文化路一段23號\n陳老師,\n"
                           "林小姐,臺北市大安區新生南路二段86號\n")
                .toUtf8());
        std::unique_ptr<QWidget> window(
            make_list_window({[](const std::string&, const std::string&) {}, {}}, path));
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        QTRY_VERIFY_WITH_TIMEOUT(window->property("checked").toBool(), 10000);
        auto* rows = window->findChild<QTableWidget*>("rows");
        auto* filter = window->findChild<QComboBox*>("filter");
        const auto shown = [&] {
            QStringList names;
            for (int i = 0; i < rows->rowCount(); ++i)
                if (!rows->isRowHidden(i))
                    names << rows->item(i, 2)->text();
            return names;
        };
        filter->setCurrentIndex(1); // with problems
        QCOMPARE(shown(), QStringList({"陳老師"}));
        filter->setCurrentIndex(0);
        window->findChild<QLineEdit*>("search")->setText(QStringLiteral("大安"));
        QCOMPARE(shown(), QStringList({"林小姐"}));
        window->findChild<QLineEdit*>("search")->clear();
        window->findChild<QPushButton*>("sort")->click();
        QCOMPARE(shown(), QStringList({"林小姐", "王小明", "陳老師"})); // 106, 220, none
        QVERIFY(window->findChild<QLabel*>("areas")->text().contains(QStringLiteral("106：1 封")));
        // The address typed in the window, not the file: the row can be made.
        rows->item(2, 4)->setText(QStringLiteral("臺中市西屯區臺灣大道三段99號"));
        QTRY_COMPARE(window->findChild<QPushButton*>("print")->text(), QStringLiteral("列印 3 封"));
        QVERIFY(rows->item(2, 3)->text().contains(QStringLiteral("407")));
        QFile source(path);
        QVERIFY(source.open(QIODevice::ReadOnly));
        QVERIFY(!source.readAll().contains("臺中市"));
    }

    // 120 rows printed headless: jobs of 50, 50 and 20 on the print system, a line per row, one
    // line for the list; a row with an error not made and said.
    void a_list_prints_headless_in_jobs_of_fifty()
    {
        if (!test_platform::custom_paper_reaches_the_printer())
            QSKIP("Wine's printing cannot be followed through the tests' print system");
        QTemporaryDir home;
        QByteArray csv = "姓名,地址\n";
        for (int i = 0; i < 120; ++i)
            csv += QStringLiteral("會員%1,臺北市大安區新生南路二段%2號\n")
                       .arg(i)
                       .arg(i + 1)
                       .toUtf8();
        csv += "沒有地址的人,\n";
        const QString path = write(home, QStringLiteral("會員.csv"), csv);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", home.path());
        QProcess host;
        host.setProcessEnvironment(environment);
        host.start(test_platform::built_program("pelderwick"),
            {"--list", path, "--output-all", "--printer", "EnvPDF"});
        QVERIFY(host.waitForFinished(300000));
        const QString said = QString::fromUtf8(host.readAllStandardOutput());
        QCOMPARE(host.exitCode(), 0);
        QCOMPARE(said.count(QStringLiteral("已輸出")), 120);
        QVERIFY2(said.contains(QStringLiteral("第 122 列「沒有地址的人」：沒有輸出：沒有地址")),
            qPrintable(said));
        QFile log(home.filePath("brintlow/Pelderwick/requests.jsonl"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        QList<long long> jobs;
        Record list_line;
        for (const QByteArray& line : log.readAll().split('\n')) {
            if (line.isEmpty())
                continue;
            const Record entry = record_from_json_line(line.toStdString());
            if (entry.contains("列印") && std::get<std::string>(entry.at("列印")) == "已送印")
                jobs << std::get<long long>(entry.at("信封數"));
            if (entry.contains("列數"))
                list_line = entry;
        }
        QCOMPARE(jobs, QList<long long>({50, 50, 20}));
        QCOMPARE(std::get<long long>(list_line.at("列數")), 121LL);
        QCOMPARE(std::get<long long>(list_line.at("勾選")), 120LL);
        QCOMPARE(std::get<long long>(list_line.at("已輸出")), 120LL);
    }
};

QTEST_MAIN(Tst_Lists)
#include "tst_lists.moc"
