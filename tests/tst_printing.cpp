// Envelopes straight to a printer, through the real print system (CUPS, with cups-pdf as the
// printer, tools/print-system): the paper and the marks where the PDF file has them and moved by
// exactly the stored shift, a horizontal envelope turned, a press one job in order, and every
// trouble told, never claimed. cups-pdf draws its pages anew: they are compared by their pixels.

#include "envelope.h"
#include "layout.h"
#include "pdf_tools.h"
#include "print_jobs.h"
#include "print_preview.h"
#include "print_settings.h"
#include "print_settings_window.h"
#include "printing.h"
#include "request_fields.h"
#include "sample_request.h"
#include "test_platform.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPrinterInfo>
#include <QProcess>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <thread>
#ifndef Q_OS_WIN
#include <QLocalServer>
#include <csignal>
#include <cups/cups.h>
#endif

namespace {

bool has_printer(const char* name)
{
    return !QPrinterInfo::printerInfo(QString::fromUtf8(name)).isNull();
}

// Waits for a job to end; true when it printed.
bool printed(const Printed_Job& job)
{
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 60000) {
        const Job_State state = job_states(job.printer, {job.job})[job.job];
        if (state.ended()) // the spooler on Windows tells no more than that it took the job
            return state.stage == Job_State::Stage::printed
                || state.stage == Job_State::Stage::queued;
        QTest::qWait(100);
    }
    return false;
}

struct Test_Job : Printed_Job
{
    QString title;
};

// The page cups-pdf made of the job, rendered at 10 pixels a millimetre. cups-pdf names its files
// after the job's number and title, spaces made "_"; under Wine only the title is known.
QImage printed_page(const Test_Job& job, int page = 1)
{
    const QDir folder(test_platform::cups_pdf_folder());
    const QString title = QString(job.title).replace(u' ', u'_');
    QElapsedTimer waited;
    waited.start();
    do {
        for (const QString& name : folder.entryList({QStringLiteral("*.pdf")}, QDir::Files)) {
            const bool ours = job.job > 0
                ? name.endsWith(QStringLiteral("-job_%1.pdf").arg(job.job))
                : name.startsWith(title) && !name.at(title.size()).isDigit();
            if (ours)
                return render_pdf_page(folder.filePath(name), page, 254);
        }
        QTest::qWait(200);
    } while (job.job == 0 && waited.elapsed() < 30000);
    return {};
}

QImage file_page(const Record& request)
{
    QTemporaryDir place;
    std::vector<Warning> warnings;
    QFile file(place.filePath("envelope.pdf"));
    file.open(QIODevice::WriteOnly);
    file.write(envelope_pdf(request, warnings));
    file.close();
    return render_pdf(file.fileName(), 254);
}

bool is_red(QRgb pixel)
{
    return qRed(pixel) > 150 && qGreen(pixel) < 110 && qBlue(pixel) < 110;
}

// Where the red lies on a page, in millimetres.
QRectF red_of(const QImage& page)
{
    QRect red;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            if (is_red(page.pixel(x, y)))
                red |= QRect(x, y, 1, 1);
        }
    }
    return QRectF(QPointF(red.topLeft()) / 10, QSizeF(red.size()) / 10);
}

// Where the ink of the name's frame lies, the frame's lines aside, in millimetres.
double name_height(const QImage& page, const QRectF& frame)
{
    const QRect area
        = QRectF(frame.topLeft() * 10, frame.size() * 10).toRect().adjusted(8, 8, -8, -8);
    int top = -1;
    int bottom = -1;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (qGray(page.pixel(x, y)) < 128 && !is_red(page.pixel(x, y))) {
                top = top < 0 ? y : top;
                bottom = y;
            }
        }
    }
    return (bottom - top) / 10.0;
}

Test_Job print_now(
    const std::vector<Record>& requests, const char* printer, const Printer_Settings& settings = {})
{
    static int printed_so_far = 0;
    const std::string title = "Pelderwick test "
        + std::to_string(QCoreApplication::applicationPid()) + "-"
        + std::to_string(++printed_so_far);
    return {print_envelopes(requests, printer, title, settings), QString::fromStdString(title)};
}

// The program asked to end, as Ctrl+C does.
void ask_to_end(QProcess& program)
{
#ifdef Q_OS_WIN
    program.kill(); // not reached: these rows need custom paper, which Wine does not print
#else
    kill(pid_t(program.processId()), SIGTERM);
#endif
}

// A job's option as the print system keeps it ("sides", "media-source").
QString job_option(int job, const QString& option)
{
#ifdef Q_OS_WIN
    Q_UNUSED(job);
    Q_UNUSED(option);
    return {};
#else
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(),
        "/jobs/%d", job);
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri);
    ippAddString(
        request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    QString value;
    if (ipp_attribute_t* found
        = ippFindAttribute(response, option.toUtf8().constData(), IPP_TAG_ZERO))
        value = QString::fromUtf8(ippGetString(found, 0, nullptr));
    ippDelete(response);
    return value;
#endif
}

const std::string vertical = "12K直式信封(11.5cm x 23cm)";
const std::string dl = "DL橫式信封(22cm x 11cm)";

// The print settings window changed as a user would, once it has heard of the printers: EnvPDF
// chosen where envelopes go and looked at, DL shifted and turned.
void change_settings(QWidget& window)
{
    auto* destination = window.findChild<QComboBox*>("destination");
    QTRY_VERIFY_WITH_TIMEOUT(destination->findData("EnvPDF") >= 0, 10000);
    destination->setCurrentIndex(destination->findData("EnvPDF"));
    auto* printers = window.findChild<QComboBox*>("printer");
    printers->setCurrentIndex(printers->findData("EnvPDF"));
    window.findChild<QDoubleSpinBox*>(QStringLiteral("right[%1]").arg(QString::fromStdString(dl)))
        ->setValue(2.5);
    window.findChild<QCheckBox*>(QStringLiteral("turned[%1]").arg(QString::fromStdString(dl)))
        ->setChecked(true);
    window.findChild<QRadioButton*>("destination_printer")->click();
}

// One test function of this program, run in a process of its own, with its settings kept at
// `config` where given; its exit status. What it prints passes through.
int in_a_new_process(const char* function, const QString& config)
{
    QProcess next;
    if (!config.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("PELDERWICK_PRINTING_CONFIG", config);
        next.setProcessEnvironment(environment);
    }
    next.setProcessChannelMode(QProcess::ForwardedChannels);
    next.start(QCoreApplication::applicationFilePath(), {function});
    return next.waitForFinished(60000) ? next.exitCode() : -1;
}

} // namespace

class Tst_Printing : public QObject
{
    Q_OBJECT

    QTemporaryDir home_;

private slots:
    void initTestCase()
    {
        qputenv("HOME", home_.path().toUtf8()); // "C:" off Windows
        // The stored settings: the same for the new process that reads them.
        if (!qEnvironmentVariableIsSet("PELDERWICK_PRINTING_CONFIG"))
            qputenv("PELDERWICK_PRINTING_CONFIG", home_.filePath("config").toUtf8());
        qputenv("XDG_CONFIG_HOME", qgetenv("PELDERWICK_PRINTING_CONFIG"));
        if (!has_printer("EnvPDF"))
            QSKIP("needs the tests' print system: sudo bash tools/print-system start");
        QVERIFY(pdf_tools_available());
    }

    void envelope_lands_on_its_paper_where_its_file_has_it_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<double>("right");
        QTest::addColumn<double>("down");
        QTest::addColumn<bool>("turned");
        QTest::newRow("12K vertical") << QString::fromStdString(vertical) << 0.0 << 0.0 << false;
        QTest::newRow("12K vertical, shifted")
            << QString::fromStdString(vertical) << 3.0 << -2.0 << false;
        QTest::newRow("DL") << QString::fromStdString(dl) << 0.0 << 0.0 << false;
        QTest::newRow("DL, shifted and turned back")
            << QString::fromStdString(dl) << 2.0 << 1.5 << true;
    }
    void envelope_lands_on_its_paper_where_its_file_has_it()
    {
        QFETCH(QString, format);
        QFETCH(double, right);
        QFETCH(double, down);
        QFETCH(bool, turned);
        if (!test_platform::custom_paper_reaches_the_printer()) {
            if (format.toStdString() == vertical)
                QSKIP("Wine prints a paper of the program's own size on the queue's first paper");
            if (turned)
                QSKIP("Wine's print system drops the half turn of a page");
        }
        Printer_Settings settings;
        settings.set(format.toStdString(), {right, down, turned});
        const Record request = sample_request(format.toStdString());
        const Test_Job job = print_now({request}, "EnvPDF", settings);
        QVERIFY2(job.handed, job.reason.c_str());
        QVERIFY(printed(job));
        const QImage page = printed_page(job);
        QVERIFY(!page.isNull());
        const Envelope_Format paper = envelope_format(format.toStdString());
        // The turn is the envelope's; the shift is the paper's, as the user measures it.
        // The shift is right and down as seen on the envelope, whichever way it is turned.
        QRectF expected = red_of(file_page(request)).translated(right, down);
        if (turned)
            expected = QRectF(paper.width_mm - expected.right(),
                paper.height_mm - expected.bottom(), expected.width(), expected.height());
        // A horizontal envelope may leave the print system as a portrait sheet turned a quarter
        // left (CUPS does so); which way the sheet enters is the printer's business.
        const QSizeF size_mm = QSizeF(page.size()) / 10;
        QSizeF sheet(paper.width_mm, paper.height_mm);
        if (size_mm.height() > size_mm.width() && !paper.vertical) {
            expected = QRectF(expected.top(), paper.width_mm - expected.right(), expected.height(),
                expected.width());
            sheet.transpose();
        }
        QVERIFY2(std::abs(size_mm.width() - sheet.width()) <= 0.5
                && std::abs(size_mm.height() - sheet.height()) <= 0.5,
            qPrintable(QStringLiteral("%1 x %2 mm").arg(size_mm.width()).arg(size_mm.height())));
        const QRectF red = red_of(page);
        qInfo("the marks' corner %.1f, %.1f mm, the file's %.1f, %.1f", red.left(), red.top(),
            expected.left(), expected.top());
        QVERIFY(std::abs(red.left() - expected.left()) <= 0.3);
        QVERIFY(std::abs(red.top() - expected.top()) <= 0.3);
        QVERIFY(std::abs(red.right() - expected.right()) <= 0.3);
        QVERIFY(std::abs(red.bottom() - expected.bottom()) <= 0.3);
    }

    void calibration_page_marks_where_the_envelope_has_its_boxes_and_frame()
    {
        if (!test_platform::custom_paper_reaches_the_printer())
            QSKIP("Wine prints a paper of the program's own size on the queue's first paper");
        const Printed_Job job = print_calibration("EnvPDF", vertical, {});
        QVERIFY2(job.handed, job.reason.c_str());
        QVERIFY(printed(job));
        const QImage page = printed_page({job, {}});
        QVERIFY(!page.isNull());
        // The red marks lie over the envelope's boxes and frame, crosshairs reaching a little out.
        const QRectF marks = red_of(page);
        const QRectF envelope = red_of(file_page(sample_request(vertical)));
        qInfo("marks %.1f, %.1f to %.1f, %.1f; the envelope's red %.1f, %.1f to %.1f, %.1f",
            marks.left(), marks.top(), marks.right(), marks.bottom(), envelope.left(),
            envelope.top(), envelope.right(), envelope.bottom());
        QVERIFY(marks.contains(envelope.adjusted(0.3, 0.3, -0.3, -0.3)));
        QVERIFY(envelope.adjusted(-4.5, -4.5, 4.5, 4.5).contains(marks));
    }

    void seven_recipients_are_one_job_of_seven_pages_in_order()
    {
        if (!test_platform::custom_paper_reaches_the_printer())
            QSKIP("Wine prints a paper of the program's own size on the queue's first paper");
        std::vector<Record> requests;
        QString name = QStringLiteral("王");
        for (int i = 0; i < 7; ++i)
            requests.push_back(
                sample_request(vertical, (name += QStringLiteral("一")).toStdString()));
        const Test_Job job = print_now(requests, "EnvPDF");
        QVERIFY2(job.handed, job.reason.c_str());
        QVERIFY(printed(job));
        const QRectF frame = marks_of(envelope_format(vertical)).name_frame;
        double before = 0;
        for (int page = 1; page <= 7; ++page) { // each name a character longer than the last
            const QImage printed_image = printed_page(job, page);
            QVERIFY2(!printed_image.isNull(), qPrintable(QString::number(page)));
            const double height = name_height(printed_image, frame);
            QVERIFY2(height > before, qPrintable(QStringLiteral("page %1").arg(page)));
            before = height;
        }
        QVERIFY(printed_page(job, 8).isNull());
    }

    void printer_that_cannot_take_the_envelope_gets_nothing_data()
    {
        QTest::addColumn<QString>("printer");
        QTest::addColumn<QString>("format");
        QTest::newRow("no custom sizes, a 12K envelope")
            << "EnvFixed" << QString::fromStdString(vertical);
        QTest::newRow("stopped") << "EnvStopped" << QString::fromStdString(dl);
        QTest::newRow("not there") << "EnvMissing" << QString::fromStdString(dl);
    }
    void printer_that_cannot_take_the_envelope_gets_nothing()
    {
        QFETCH(QString, printer);
        QFETCH(QString, format);
        if (printer != "EnvMissing" && !test_platform::custom_paper_reaches_the_printer())
            QSKIP("Wine tells Qt that every queue takes any paper and is never stopped");
        const std::string name = printer.toStdString();
        const Printed_Job job = print_now({sample_request(format.toStdString())}, name.c_str());
        QVERIFY(!job.handed);
        QVERIFY2(QString::fromStdString(job.reason).contains(printer), job.reason.c_str());
        QCOMPARE(job.job, 0);
    }

    void trouble_at_the_printer_is_told_and_never_claimed_data()
    {
        QTest::addColumn<QString>("printer");
        QTest::addColumn<QString>("then"); // "cancel" the job while it waits, or "end" the
                                           // program once the trouble is told
        QTest::addColumn<QString>("told"); // nothing: printed
        QTest::addColumn<QStringList>("job"); // the job's lines: hand-over, then what is known
        QTest::newRow("printed") << "EnvPDF"
                                 << ""
                                 << "" << QStringList {"已送印", "已印出"};
        // The print system's own name, whose stored settings apply.
        QTest::newRow("named in another case") << "envpdf"
                                               << ""
                                               << "" << QStringList {"已送印", "已印出"};
        QTest::newRow("a stopped queue") << "EnvStopped"
                                         << ""
                                         << "信封沒有列印" << QStringList {"沒有列印"};
        QTest::newRow("a job cancelled") << "EnvSlow"
                                         << "cancel"
                                         << "信封沒有印出" << QStringList {"已送印", "沒有印出"};
        QTest::newRow("out of paper in the middle of the job")
            << "EnvJam"
            << "end"
            << "缺紙" << QStringList {"已送印", "等待中", "列印結果未知"};
        QTest::newRow("a queue that holds its jobs")
            << "EnvHeld"
            << "end"
            << "擱置" << QStringList {"已送印", "等待中", "列印結果未知"};
    }
    void trouble_at_the_printer_is_told_and_never_claimed()
    {
        QFETCH(QString, printer);
        QFETCH(QString, then);
        QFETCH(QString, told);
        QFETCH(QStringList, job);
        if (!test_platform::custom_paper_reaches_the_printer())
            QSKIP("the demo's envelopes are 12K, which Wine prints on the queue's first paper");
        QTemporaryDir home;
        QProcess host;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", home.path());
        host.setProcessEnvironment(environment);
        host.start(test_platform::built_program("pelderwick"), {"--demo", "--printer", printer});
        QVERIFY(host.waitForStarted());
        QByteArray errors;
        if (then == "cancel") {
            QTRY_VERIFY_WITH_TIMEOUT(
                QProcess::execute("sh", {"-c", "lpstat -o " + printer + " | grep -q ."}) == 0,
                30000);
            QCOMPARE(QProcess::execute("cancel", {"-a", printer}), 0);
        } else if (then == "end") {
            // Told while the job waits, in words, with the printer and the job.
            QTRY_VERIFY_WITH_TIMEOUT(
                (errors += host.readAllStandardError()).contains(told.toUtf8()), 30000);
            QVERIFY2(errors.contains("信封還沒有印出") && errors.contains(printer.toUtf8()),
                errors.constData());
            ask_to_end(host);
        }
        QVERIFY(host.waitForFinished(120000));
        QProcess::execute("cancel", {"-a", printer});
        if (then == "end") // the printer that stopped
            QProcess::execute("cupsenable", {printer});
        errors += host.readAllStandardError();
        QCOMPARE(host.exitCode() == 0, told.isEmpty());
        QVERIFY2(told.isEmpty() || errors.contains(told.toUtf8()), errors.constData());
        QFile log(home.filePath("brintlow/Pelderwick/requests.jsonl"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = log.readAll().trimmed().split('\n');
        // The envelopes' lines, then the job's.
        QCOMPARE(lines.size(), 3 + job.size());
        QStringList said;
        for (qsizetype line = 3; line < lines.size(); ++line) {
            const Record entry = record_from_json_line(lines[line].toStdString());
            said << QString::fromStdString(
                std::get<std::string>(entry.at(entry.contains("結果") ? "結果" : "列印")));
            QCOMPARE(std::get<std::string>(entry.at("印表機")),
                printer.compare("EnvPDF", Qt::CaseInsensitive) == 0 ? std::string("EnvPDF")
                                                                    : printer.toStdString());
        }
        QCOMPARE(said, job);
    }

    void reprint_lands_where_the_first_print_did_data()
    {
        QTest::addColumn<QString>("what"); // how the envelopes are named
        QTest::newRow("its print job") << "job";
        QTest::newRow("a line of the log") << "line:2";
        QTest::newRow("an envelope's file") << "file";
    }
    void reprint_lands_where_the_first_print_did()
    {
        QFETCH(QString, what);
        if (!test_platform::custom_paper_reaches_the_printer())
            QSKIP("the demo's envelopes are 12K, which Wine prints on the queue's first paper");
        // A shift stored for the printer, which the reprint finds again.
        Printer_Settings settings;
        settings.set(vertical, {2.0, -1.5, false});
        QVERIFY(store_settings("EnvPDF", settings));
        QTemporaryDir home;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", home.path());
        const auto run = [&](const QStringList& arguments) {
            QProcess host;
            host.setProcessEnvironment(environment);
            host.start(test_platform::built_program("pelderwick"), arguments);
            host.waitForFinished(120000);
            return host.exitCode() == 0 ? QString::fromUtf8(host.readAllStandardOutput())
                                        : QString::fromUtf8(host.readAllStandardError());
        };
        const QRegularExpression job_number("as job (\\d+)");
        const QString first = run({"--demo", "--printer", "EnvPDF"});
        const QRegularExpressionMatch printed_as = job_number.match(first);
        QVERIFY2(printed_as.hasMatch(), qPrintable(first));
        QFile log(home.filePath("brintlow/Pelderwick/requests.jsonl"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const Record second_line
            = record_from_json_line(log.readAll().split('\n')[1].toStdString());
        const QString named = what == "job" ? "job:" + printed_as.captured(1)
            : what == "file" ? QString::fromStdString(std::get<std::string>(second_line.at("檔案")))
                             : what;
        const QString again = run({"--reprint", named, "--printer", "EnvPDF"});
        const QRegularExpressionMatch reprinted_as = job_number.match(again);
        QVERIFY2(reprinted_as.hasMatch(), qPrintable(again));
        // The second envelope of the demo, printed twice.
        const auto job_numbered = [](const QString& number) {
            Test_Job job;
            job.printer = "EnvPDF";
            job.job = number.toInt();
            return job;
        };
        const QImage before = printed_page(job_numbered(printed_as.captured(1)), 2);
        const QImage after
            = printed_page(job_numbered(reprinted_as.captured(1)), what == "job" ? 2 : 1);
        QVERIFY(!before.isNull() && !after.isNull());
        const QRectF first_red = red_of(before);
        const QRectF second_red = red_of(after);
        qInfo("the marks' corner %.1f, %.1f mm printed, %.1f, %.1f reprinted", first_red.left(),
            first_red.top(), second_red.left(), second_red.top());
        QVERIFY(std::abs(first_red.left() - second_red.left()) <= 0.3);
        QVERIFY(std::abs(first_red.top() - second_red.top()) <= 0.3);
        QCOMPARE(name_height(before, marks_of(envelope_format(vertical)).name_frame),
            name_height(after, marks_of(envelope_format(vertical)).name_frame));
        settings.set(vertical, {});
        QVERIFY(store_settings("EnvPDF", settings));
    }

    void job_asks_for_what_envelopes_need_data()
    {
        QTest::addColumn<QString>("printer");
        QTest::addColumn<int>("source"); // Paper_Source
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("value");
        QTest::newRow("one side, on a printer whose default is two")
            << "EnvDuplex" << int(Paper_Source::automatic) << "sides"
            << "one-sided";
        QTest::newRow("the manual feed")
            << "EnvSlots" << int(Paper_Source::manual) << "media-source"
            << "manual";
        QTest::newRow("the envelope feeder")
            << "EnvSlots" << int(Paper_Source::envelope) << "media-source"
            << "envelope";
    }
    void job_asks_for_what_envelopes_need()
    {
        QFETCH(QString, printer);
        QFETCH(int, source);
        QFETCH(QString, option);
        QFETCH(QString, value);
        if (!test_platform::custom_paper_reaches_the_printer())
            QSKIP("Wine prints a paper of the program's own size on the queue's first paper");
        Printer_Settings settings;
        settings.source = Paper_Source(source);
        const Test_Job job = print_now({sample_request(dl)}, qPrintable(printer), settings);
        QVERIFY2(job.handed, job.reason.c_str());
        QCOMPARE(job_option(job.job, option), value);
        QVERIFY(printed(job));
    }

    void printers_are_listed_with_their_state_and_paper_sources()
    {
        const Printers known = list_printers();
        QVERIFY2(known.trouble.empty(), known.trouble.c_str());
        std::map<std::string, Printer_Info> by_name;
        for (const Printer_Info& printer : known.printers)
            by_name[printer.name] = printer;
        QCOMPARE(by_name.count("EnvPDF"), std::size_t(1));
        QVERIFY(by_name["EnvPDF"].ready);
        QVERIFY(by_name["EnvPDF"].sources.empty());
        if (!test_platform::custom_paper_reaches_the_printer())
            return; // Wine tells of no stopped queue and no paper sources
        QVERIFY(!by_name["EnvStopped"].ready);
        QVERIFY2(QString::fromStdString(by_name["EnvStopped"].state).contains("停"),
            by_name["EnvStopped"].state.c_str());
        QCOMPARE(by_name["EnvSlots"].sources,
            (std::vector<Paper_Source> {Paper_Source::envelope, Paper_Source::manual}));
    }

    void printer_that_cannot_print_near_its_edges_is_warned_of_data()
    {
        QTest::addColumn<QString>("printer");
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("warned");
        QTest::newRow("9 mm unprintable, 12K vertical")
            << "EnvMargins" << QString::fromStdString(vertical) << true;
        QTest::newRow("9 mm unprintable, DL") << "EnvMargins" << QString::fromStdString(dl) << true;
        QTest::newRow("the whole page printable")
            << "EnvPDF" << QString::fromStdString(vertical) << false;
    }
    void printer_that_cannot_print_near_its_edges_is_warned_of()
    {
        QFETCH(QString, printer);
        QFETCH(QString, format);
        QFETCH(bool, warned);
        if (!test_platform::custom_paper_reaches_the_printer())
            QSKIP("Wine tells Qt of no margins");
        const Test_Job job = print_now({sample_request(format.toStdString())}, qPrintable(printer));
        QVERIFY2(job.handed, job.reason.c_str());
        QVERIFY(printed(job));
        std::string warnings;
        for (const Warning& warning : job.warnings)
            warnings += warning.text;
        QCOMPARE(QString::fromStdString(warnings).contains("9.0 公釐印不到"), warned);
    }

    void print_system_that_does_not_answer_is_told_within_seconds_data()
    {
        QTest::addColumn<QString>("server"); // what CUPS_SERVER names
        QTest::addColumn<QString>("told");
        QTest::newRow("accepts and never answers") << "silent"
                                                   << "列印系統沒有回應";
        QTest::newRow("not running") << "missing"
                                     << "列印系統（CUPS）沒有在執行";
    }
    void print_system_that_does_not_answer_is_told_within_seconds()
    {
        QFETCH(QString, server);
        QFETCH(QString, told);
#ifdef Q_OS_WIN
        QSKIP("the spooler is the system's own");
#else
        QTemporaryDir place;
        QLocalServer silent; // takes connections and never answers, as behind a dead network
        const QString socket = place.filePath("cups.sock");
        if (server == "silent")
            QVERIFY(silent.listen(socket));
        QTemporaryDir home;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", home.path());
        environment.insert("CUPS_SERVER", socket);
        QElapsedTimer waited;
        waited.start();
        QProcess host;
        host.setProcessEnvironment(environment);
        host.start(test_platform::built_program("pelderwick"), {"--demo", "--printer", "EnvPDF"});
        QVERIFY(host.waitForFinished(60000));
        qInfo("the demo with its printer ended after %lld ms", waited.elapsed());
        QVERIFY(waited.elapsed() < 20000);
        const QByteArray errors = host.readAllStandardError();
        QVERIFY2(errors.contains(told.toUtf8()), errors.constData());
        QCOMPARE(host.exitCode(), 1);
        QCOMPARE(QDir(home.filePath("brintlow/Pelderwick")).entryList({"*.pdf"}).size(), 3);
        // The print settings' window comes at once and says so at its foot.
        const QString probe = QCoreApplication::applicationDirPath() + "/libhost_probe.so";
        if (!QFile::exists(probe))
            return;
        environment.insert("LD_PRELOAD", probe);
        environment.insert("PROBE_SETTINGS", "1");
        environment.insert("ASAN_OPTIONS",
            environment.value("ASAN_OPTIONS") + QStringLiteral(":verify_asan_link_order=0"));
        QProcess settings;
        settings.setProcessEnvironment(environment);
        settings.start(test_platform::built_program("pelderwick"), {"--printer-settings"});
        QVERIFY(settings.waitForFinished(60000));
        const QString said = QString::fromUtf8(settings.readAllStandardError());
        const QRegularExpressionMatch shown
            = QRegularExpression("settings shown after (\\d+) ms").match(said);
        QVERIFY2(shown.hasMatch(), qPrintable(said));
        qInfo("the print settings shown after %s ms", qPrintable(shown.captured(1)));
        QVERIFY(shown.captured(1).toInt() < 3000);
        QVERIFY2(said.contains("settings say " + told), qPrintable(said));
#endif
    }

    void stored_shifts_that_make_no_sense_are_refused_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<double>("taken");
        for (const char* senseless : {"1e308", "inf", "-inf", "nan", "-500", "30.5", "abc"})
            QTest::newRow(senseless) << senseless << 0.0;
        QTest::newRow("the largest") << "-30" << -30.0;
        QTest::newRow("a tenth") << "2.5" << 2.5;
    }
    void stored_shifts_that_make_no_sense_are_refused()
    {
        QFETCH(QString, stored);
        QFETCH(double, taken);
        {
            QSettings file(QSettings::NativeFormat, QSettings::UserScope,
                QStringLiteral("brintlow"), QStringLiteral("Pelderwick"));
            file.setValue(
                QStringLiteral("printers/Damaged/%1/right_mm")
                    .arg(QString::fromUtf8(QByteArray::fromStdString(dl).toPercentEncoding())),
                stored);
            file.sync();
        }
        const Printer_Settings settings = stored_settings("Damaged");
        QCOMPARE(settings.adjustment(dl).right_mm, taken);
        QCOMPARE(settings.refused.size(), std::size_t(taken == 0 ? 1 : 0));
        if (taken == 0)
            QVERIFY2(QString::fromStdString(settings.refused.front()).contains("不合理"),
                settings.refused.front().c_str());
    }

    // Settings kept under the format's menu text by earlier versions are read, and kept again
    // under the format's identity alone; one kept by identity wins over an old one.
    void settings_kept_by_the_formats_text_are_read_and_moved()
    {
        const QString old_key
            = QString::fromUtf8(QByteArray::fromStdString(dl).toPercentEncoding());
        const QString vertical_key
            = QString::fromUtf8(QByteArray::fromStdString(vertical).toPercentEncoding());
        {
            QSettings file(QSettings::NativeFormat, QSettings::UserScope,
                QStringLiteral("brintlow"), QStringLiteral("Pelderwick"));
            file.remove(QStringLiteral("printers/Moved"));
            file.setValue(QStringLiteral("printers/Moved/%1/right_mm").arg(old_key), 2.5);
            file.setValue(QStringLiteral("printers/Moved/%1/turned").arg(old_key), true);
            file.setValue(QStringLiteral("printers/Moved/%1/down_mm").arg(vertical_key), 9.0);
            file.setValue(QStringLiteral("printers/Moved/12k-vertical/down_mm"), -1.5);
            file.sync();
        }
        Printer_Settings settings = stored_settings("Moved");
        QCOMPARE(settings.adjustment(dl).right_mm, 2.5);
        QVERIFY(settings.adjustment(dl).turned);
        QCOMPARE(settings.adjustment(vertical).down_mm, -1.5);
        QVERIFY(settings.formats.count("dl"));
        QVERIFY(store_settings("Moved", settings));
        QSettings file(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("brintlow"),
            QStringLiteral("Pelderwick"));
        file.beginGroup(QStringLiteral("printers/Moved"));
        QStringList groups = file.childGroups();
        groups.sort();
        QCOMPARE(groups, QStringList({"12k-vertical", "dl"}));
        QCOMPARE(file.value(QStringLiteral("dl/right_mm")).toDouble(), 2.5);
    }

    void print_settings_window_keeps_where_envelopes_go_apart_from_the_printer_looked_at()
    {
        QVERIFY(store_destination("EnvGone")); // chosen once, since taken away
        std::unique_ptr<QWidget> window(make_print_settings_window());
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        auto* destination = window->findChild<QComboBox*>("destination");
        auto* looked_at = window->findChild<QComboBox*>("printer");
        QTRY_VERIFY_WITH_TIMEOUT(destination->isEnabled(), 10000);
        // A printer that is gone is shown as gone, not as the first of the list.
        QCOMPARE(destination->currentData().toString(), QStringLiteral("EnvGone"));
        QVERIFY(destination->currentText().contains("不存在"));
        // Looking at a printer's calibration leaves where the envelopes go.
        looked_at->setCurrentIndex(looked_at->findData("EnvSlots"));
        QCOMPARE(stored_destination(), std::string("EnvGone"));
        // The paper sources offered are the printer's own.
        auto* sources = window->findChild<QComboBox*>("paper_source");
        if (test_platform::custom_paper_reaches_the_printer())
            QCOMPARE(sources->count(), 3);
        looked_at->setCurrentIndex(looked_at->findData("EnvPDF"));
        QCOMPARE(sources->count(), 1);
        // Every control has a name a screen reader says.
        for (QWidget* control : window->findChildren<QWidget*>()) {
            if (qobject_cast<QAbstractSpinBox*>(control) || qobject_cast<QCheckBox*>(control)
                || qobject_cast<QComboBox*>(control))
                QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(control->objectName()));
        }
        QVERIFY(store_destination(""));
    }

    void shift_is_read_as_people_type_it_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<double>("taken");
        QTest::addColumn<bool>("told"); // that it was beyond the largest shift
        QTest::newRow("a full stop") << "2.5" << 2.5 << false;
        QTest::newRow("a comma") << "2,5" << 2.5 << false;
        QTest::newRow("a full-width comma") << "2，5" << 2.5 << false;
        QTest::newRow("negative") << "-1.5" << -1.5 << false;
        QTest::newRow("two digits, too far") << "45" << 30.0 << true;
        QTest::newRow("too far the other way") << "-45" << -30.0 << true;
        QTest::newRow("the largest") << "30" << 30.0 << false;
    }
    void shift_is_read_as_people_type_it()
    {
        QFETCH(QString, typed);
        QFETCH(double, taken);
        QFETCH(bool, told);
        std::unique_ptr<QWidget> window(make_print_settings_window());
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        window->show();
        auto* status = window->findChild<QLabel*>("status");
        QTRY_VERIFY_WITH_TIMEOUT(window->findChild<QComboBox*>("printer")->isEnabled(), 10000);
        status->clear();
        auto* box = window->findChild<QDoubleSpinBox*>(
            QStringLiteral("down[%1]").arg(QString::fromStdString(vertical)));
        box->setFocus();
        box->selectAll();
        for (const QChar c : typed) { // as keys; what no key has, as its text
            if (c.unicode() < 128)
                QTest::keyClick(box, c.toLatin1());
            else
                QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(box->value(), taken);
        QCOMPARE(status->text().contains("最多 30 公釐"), told);
        box->setValue(0);
    }

    void preview_fits_the_screen_and_says_its_scale()
    {
        Preview preview(vertical, {});
        const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(preview.height() <= room.height() && preview.width() <= room.width());
        QCOMPARE(preview.windowTitle().contains("縮小"), preview.scale() < 1);
    }

    void print_settings_are_kept_for_the_next_run()
    {
        {
            std::unique_ptr<QWidget> window(make_print_settings_window());
            window->setAttribute(Qt::WA_DeleteOnClose, false);
            change_settings(*window);
            QCOMPARE(window->findChild<QLabel*>("status")->text(), QString());
        }
        // What a new process, opening the window anew, reads.
        QCOMPARE(stored_destination(), std::string("EnvPDF"));
        QCOMPARE(in_a_new_process("shown_in_a_new_process", {}), 0);
    }

    void print_settings_that_cannot_be_kept_are_told()
    {
#ifdef Q_OS_WIN
        QSKIP("the settings are kept in the registry");
#endif
        QTemporaryDir place;
        QFile file(place.filePath("a file"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QCOMPARE(
            in_a_new_process("changed_where_nothing_can_be_kept", file.fileName() + "/config"), 0);
    }

    void changed_where_nothing_can_be_kept()
    {
        const QFileInfo config(qEnvironmentVariable("PELDERWICK_PRINTING_CONFIG"));
        if (!QFileInfo(config.path()).isFile())
            QSKIP("run by print_settings_that_cannot_be_kept_are_told");
        std::unique_ptr<QWidget> window(make_print_settings_window());
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        change_settings(*window);
        QVERIFY(window->findChild<QLabel*>("status")->text().contains("列印設定沒有存好"));
    }

    void shown_in_a_new_process()
    {
        if (stored_destination().empty())
            QSKIP("run by print_settings_are_kept_for_the_next_run");
        std::unique_ptr<QWidget> window(make_print_settings_window());
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        QTRY_COMPARE_WITH_TIMEOUT(
            window->findChild<QComboBox*>("destination")->currentData().toString(),
            QStringLiteral("EnvPDF"), 10000);
        QCOMPARE(window->findChild<QComboBox*>("printer")->currentData().toString(),
            QStringLiteral("EnvPDF"));
        QCOMPARE(window
                     ->findChild<QDoubleSpinBox*>(
                         QStringLiteral("right[%1]").arg(QString::fromStdString(dl)))
                     ->value(),
            2.5);
        QVERIFY(window
                    ->findChild<QCheckBox*>(
                        QStringLiteral("turned[%1]").arg(QString::fromStdString(dl)))
                    ->isChecked());
    }
};

QTEST_MAIN(Tst_Printing)
#include "tst_printing.moc"
