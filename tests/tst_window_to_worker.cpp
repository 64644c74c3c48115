// The window and the worker agree on the request: what the user types into the real window
// reaches the real envelope maker under the keys it reads, for every format.

#include "envelope.h"
#include "request_fields.h"
#include "toolkit.h"
#include "window_driver.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString page_text(const QString& pdf)
{
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    pdftotext.waitForFinished(30000);
    return QString::fromUtf8(pdftotext.readAllStandardOutput())
        .remove(QRegularExpression(QStringLiteral("\\s")));
}

QString page_size(const QString& pdf)
{
    QProcess pdfinfo;
    pdfinfo.start(QStringLiteral("pdfinfo"), {pdf});
    pdfinfo.waitForFinished(30000);
    const auto match = QRegularExpression(QStringLiteral("Page size:\\s+(\\d+) x (\\d+)"))
                           .match(QString::fromUtf8(pdfinfo.readAllStandardOutput()));
    return match.captured(1) + QLatin1Char('x') + match.captured(2);
}

} // namespace

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
        // Page sizes in points, portrait for the vertical formats.
        const QStringList sizes
            = {"326x652", "652x326", "624x312", "326x652", "652x326", "624x283"};
        for (std::size_t i = 0; i < requests.size(); ++i) {
            const QString pdf = QString::fromStdString(make_envelope(requests[i]).string());
            QCOMPARE(page_size(pdf), sizes[int(i)]);
            const QString text = page_text(pdf);
            for (const char* typed : {"寄件甲", "寄件地址乙", "收件丙", "收件地址丁"})
                QVERIFY2(text.contains(QString::fromUtf8(typed)), typed);
            QVERIFY(text.contains(QLatin1String("106")) && text.contains(QLatin1String("403")));
        }
    }
};

QTEST_MAIN(Tst_Window_To_Worker)
#include "tst_window_to_worker.moc"
