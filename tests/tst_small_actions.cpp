// The trash-can, folder and help buttons, with the shell and the browser faked.

#include "platform.h"
#include "request_fields.h"
#include "test_platform.h"
#include "window_driver.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QOperatingSystemVersion>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Stands in for the browser: answers per scheme, and remembers what it was asked.
struct Fake_Browser
{
    enum class Answer { opens, reports_failure, raises };
    Answer https = Answer::opens;
    Answer http = Answer::opens;
    std::vector<std::string> asked;

    bool open(const std::string& url)
    {
        asked.push_back(url);
        const Answer answer = url.rfind("https://", 0) == 0 ? https : http;
        if (answer == Answer::raises)
            throw std::runtime_error("no browser");
        return answer == Answer::opens;
    }
};

} // namespace

Q_DECLARE_METATYPE(Fake_Browser::Answer)

namespace {

std::string scheme_of(const std::string& url)
{
    return url.substr(0, url.find(':'));
}

} // namespace

class Tst_Small_Actions : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        platform::set_process_starter({});
        platform::set_url_opener({});
    }

    void trash_can_empties_only_the_recipient_table()
    {
        Recorded_Channels channels;
        run_window(channels, [](QWidget* app) {
            click(button(app, "垃圾桶.png")); // already empty: nothing happens
            type_into(cell(app, "收件人姓名", 0), "甲");
            type_into(cell(app, "收件人地址", 6), "高雄市");
            type_into(field(app, "寄件人姓名"), "乙");
            click(button(app, "垃圾桶.png"));
            for (QLineEdit* edit : app->findChildren<QLineEdit*>()) {
                if (edit->objectName().contains(u'['))
                    QVERIFY(edit->text().isEmpty());
            }
            QCOMPARE(field(app, "寄件人姓名")->text(), QStringLiteral("乙"));
            click(button(app, "輸出單據"));
        });
        QCOMPARE(channels.journal->requests().size(), std::size_t(1));
    }

    void folder_button_starts_the_explorer_each_time()
    {
        std::vector<std::string> started;
        platform::set_process_starter([&](const std::string& line) { started.push_back(line); });
        Recorded_Channels channels;
        run_window(channels, [](QWidget* app) {
            click(button(app, "資料夾.png"));
            click(button(app, "資料夾.png"));
        });
        QCOMPARE(started, (std::vector<std::string>(2, "explorer C:\\brintlow\\Pelderwick")));
    }

    void failing_start_is_reported_and_the_window_goes_on()
    {
        platform::set_process_starter(
            [](const std::string&) { throw std::runtime_error("no file explorer"); });
        Recorded_Channels channels;
        Stdout_Capture errors(2);
        run_window(channels, [](QWidget* app) {
            click(button(app, "資料夾.png"));
            click(button(app, "輸出單據"));
        });
        QCOMPARE(channels.journal->requests().size(), std::size_t(1));
        const auto lines = errors.lines();
        QVERIFY(std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
            return line.find("no file explorer") != std::string::npos;
        }) == 1);
    }

    void help_page_falls_back_to_http_only_when_https_raises_data()
    {
        using Answer = Fake_Browser::Answer;
        QTest::addColumn<Answer>("https");
        QTest::addColumn<Answer>("http");
        QTest::addColumn<QStringList>("schemes");
        QTest::addColumn<bool>("logged");
        QTest::newRow("opens") << Answer::opens << Answer::opens << QStringList {"https"} << false;
        QTest::newRow("reports failure only")
            << Answer::reports_failure << Answer::opens << QStringList {"https"} << false;
        QTest::newRow("https raises")
            << Answer::raises << Answer::opens << QStringList {"https", "http"} << false;
        QTest::newRow("both raise")
            << Answer::raises << Answer::raises << QStringList {"https", "http"} << true;
    }
    void help_page_falls_back_to_http_only_when_https_raises()
    {
        QFETCH(Fake_Browser::Answer, https);
        QFETCH(Fake_Browser::Answer, http);
        QFETCH(QStringList, schemes);
        QFETCH(bool, logged);
        Fake_Browser browser {https, http, {}};
        platform::set_url_opener([&](const std::string& url) { return browser.open(url); });
        Recorded_Channels channels;
        Stdout_Capture errors(2);
        run_window(channels, [](QWidget* app) { click(button(app, "問號001.png")); });
        QStringList asked;
        for (const std::string& url : browser.asked)
            asked << QString::fromStdString(scheme_of(url));
        QCOMPARE(asked, schemes);
        if (browser.asked.size() == 2)
            QCOMPARE(browser.asked[0].substr(8), browser.asked[1].substr(7));
        const auto lines = errors.lines();
        const bool wrapper_logged = std::any_of(lines.begin(), lines.end(),
            [](const auto& line) { return line.find("try_except_log") != std::string::npos; });
        QCOMPARE(wrapper_logged, logged);
    }

    void folder_button_really_starts_the_file_manager_with_the_exact_line()
    {
        // No seam: the platform layer starts the system's program itself, never one of the same
        // name in the working folder (Downloads, say).
        const bool windows
            = QOperatingSystemVersion::currentType() == QOperatingSystemVersion::Windows;
        const QString program = windows ? "explorer" : "xdg-open";
        test_platform::Stand_In file_manager(program);
        test_platform::Stand_In planted(program, test_platform::Stand_In::Place::working_folder);
        QTemporaryDir home; // "C:" off Windows: a home where nothing was made yet
        const QByteArray former_home = qgetenv("HOME");
        qputenv("HOME", home.path().toUtf8());
        Recorded_Channels channels;
        run_window(channels, [](QWidget* app) {
            click(button(app, "資料夾.png"));
            click(button(app, "資料夾.png"));
        });
        const QString expected = windows
            ? QStringLiteral("explorer ") + QString::fromUtf8(output_folder_for_explorer)
            : QStringLiteral("xdg-open ")
                + QString::fromStdString(platform::local_path(output_folder_for_explorer));
        QTRY_COMPARE(file_manager.command_lines(), QStringList(2, expected));
        QCOMPARE(planted.command_lines(), QStringList());
        // Shown even before anything was made there.
        QVERIFY(QFileInfo(QString::fromStdString(platform::local_path(output_folder))).isDir());
        qputenv("HOME", former_home);
    }

    void help_button_really_asks_the_shell_for_the_page()
    {
        if (QGuiApplication::platformName() == QLatin1String("offscreen"))
            QSKIP("the offscreen platform opens no addresses");
        if (!test_platform::browser_is_a_stand_in())
            QSKIP("the shell's browser here is a real one (the test prefix under Wine has a "
                  "stand-in)");
        test_platform::Stand_In browser("browser");
        Recorded_Channels channels;
        run_window(channels, [](QWidget* app) { click(button(app, "問號001.png")); });
        QTRY_COMPARE(browser.command_lines().size(), 1);
        QVERIFY2(browser.command_lines()[0].contains(QStringLiteral("https://")),
            qPrintable(browser.command_lines()[0]));
    }
};

QTEST_MAIN(Tst_Small_Actions)
#include "tst_small_actions.moc"
