// The window and the worker agree on the request: what the user types into the real window
// reaches the real envelope maker under the keys it reads, for every format.

#include "envelope.h"
#include "pdf_tools.h"
#include "platform.h"
#include "production.h"
#include "request_fields.h"
#include "toolkit.h"
#include "window_driver.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class Tst_Window_To_Worker : public QObject
{
    Q_OBJECT

    QTemporaryDir home_;

private slots:
    void initTestCase() { qputenv("HOME", home_.path().toUtf8()); }

    void typed_fields_reach_the_envelope_in_every_format()
    {
        Recorded_Channels channels;
        Stdout_Capture quiet;
        run_window(channels, [](QWidget* app) {
            type_into(field(app, request_key::sender_name), "寄件甲");
            type_into(field(app, request_key::sender_postal_code), "106");
            type_into(field(app, request_key::sender_address), "寄件地址乙");
            type_into(cell(app, request_key::recipient_name, 0), "收件丙");
            type_into(cell(app, request_key::recipient_postal_code, 0), "403");
            type_into(cell(app, request_key::recipient_address, 0), "收件地址丁");
            auto* menu = find<Option_Menu>(app, "optionmenu_001");
            for (int format = 0; format < int(envelope_formats.size()); ++format) {
                choose(menu, format);
                click(button(app, "輸出單據"));
            }
        });
        const auto requests = channels.journal->requests();
        QCOMPARE(requests.size(), envelope_formats.size());
        // Page sizes in centimetres, portrait for the vertical formats.
        const QSizeF sizes[] = {{11.5, 23}, {23, 11.5}, {22, 11}, {11.5, 23}, {23, 11.5}, {22, 10}};
        for (std::size_t i = 0; i < requests.size(); ++i) {
            const Pdf_Page page = read_pdf(QString::fromStdString(make_envelope(requests[i]).path));
            const QSizeF wanted = sizes[i] * 72 / 2.54;
            QVERIFY(std::abs(page.size.width() - wanted.width()) < 1);
            QVERIFY(std::abs(page.size.height() - wanted.height()) < 1);
            const QString text = page.text();
            for (const char* typed : {"寄件甲", "寄件地址乙", "收件丙", "收件地址丁"})
                QVERIFY2(text.contains(QString::fromUtf8(typed)), typed);
            QVERIFY(text.contains(QLatin1String("106")) && text.contains(QLatin1String("403")));
        }
    }

    void code_left_empty_is_read_from_the_address()
    {
        Recorded_Channels channels;
        Stdout_Capture quiet;
        run_window(channels, [](QWidget* app) {
            type_into(cell(app, request_key::recipient_name, 0), "收件丙");
            type_into(cell(app, request_key::recipient_address, 0), "臺北縣板橋市文化路一段188巷");
            type_into(field(app, request_key::sender_address), "台北市大安區復興南路一段390號");
            click(button(app, "輸出單據"));
        });
        const auto requests = channels.journal->requests();
        QCOMPARE(requests.size(), std::size_t(1));
        const Production_Report report = produce(requests[0]);
        QVERIFY(report.made && report.logged);
        // The digits in the recipient's first three boxes, at the top right of the 12K page.
        const Pdf_Page page
            = read_pdf(QString::fromStdString(platform::local_path(output_folder) + report.file));
        QString boxed;
        for (const Pdf_Word& word : page.words) {
            const QPointF middle = word.box.center() * 25.4 / 72;
            if (middle.y() < 20 && middle.x() > 115 / 2.0)
                boxed += word.text;
        }
        QCOMPARE(boxed, QStringLiteral("220"));
        QFile log(QString::fromStdString(platform::local_path(output_folder)) + "requests.jsonl");
        QVERIFY(log.open(QIODevice::ReadOnly));
        const Record line
            = record_from_json_line(log.readAll().trimmed().split('\n').last().toStdString());
        QCOMPARE(std::get<std::string>(line.at("推得郵遞區號")), std::string("220"));
        QCOMPARE(std::get<std::string>(line.at("推得寄件人郵遞區號")), std::string("106"));
    }

    void any_ratio_typed_in_the_settings_still_gives_an_envelope_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("tiny") << "1e-305";
        QTest::newRow("below the smallest") << "1e-330";
        QTest::newRow("huge") << "1e300";
        QTest::newRow("infinite") << "inf";
    }
    void any_ratio_typed_in_the_settings_still_gives_an_envelope()
    {
        QFETCH(QString, typed);
        Recorded_Channels channels;
        Stdout_Capture quiet;
        run_window(channels, [&](QWidget* app) {
            type_into(cell(app, request_key::recipient_name, 0), "收件丙");
            QWidget* dialog = open_dialog(app);
            type_into(find<QLineEdit>(dialog, "entry"), typed);
            click(find<QPushButton>(dialog, "button_1"));
            click(button(app, "輸出單據"));
        });
        const auto requests = channels.journal->requests();
        QCOMPARE(requests.size(), std::size_t(1));
        const Pdf_Page page = read_pdf(QString::fromStdString(make_envelope(requests[0]).path));
        QVERIFY(page.text().contains(QStringLiteral("收件丙")));
        QVERIFY2(
            page.words_off_the_page().isEmpty(), qPrintable(page.words_off_the_page().join(' ')));
    }
};

QTEST_MAIN(Tst_Window_To_Worker)
#include "tst_window_to_worker.moc"
