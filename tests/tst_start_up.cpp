// Loading the window module: the layer checks with their install fallback and prompts, the
// once-per-process rule, and the stand-alone program as a user starts it.

#include "capture.h"
#include "platform.h"
#include "start_up.h"
#include "test_platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <set>

namespace {

const std::string gui_layer = "gui-layer";
const std::string widget_layer = "widget-layer";

std::string built_module()
{
    return platform::own_library_path("pelderwick_gui");
}

// Fakes for the loader, the shell and the console that write what happens into one list.
struct Console
{
    std::vector<std::string> log;
    std::set<std::string> present; // layers that load
    std::set<std::string> installs; // layers whose install command makes them load
    bool shell_fails = false;
    int lines_available = 100;

    Start_Up_Services services(const std::string& module_path = built_module())
    {
        Start_Up_Services s;
        s.tk_layer = gui_layer;
        s.toolkit_layer = widget_layer;
        s.module_path = module_path;
        s.can_load = [this](const std::string& library) {
            log.push_back("load " + library);
            return present.count(library) > 0;
        };
        s.run_command = [this](const std::string& command) {
            log.push_back("run " + command);
            if (shell_fails)
                throw std::runtime_error("no shell");
            const std::string layer = command.ends_with(" tkinter") ? gui_layer : widget_layer;
            if (installs.count(layer) > 0)
                present.insert(layer);
        };
        s.read_line = [this]() -> std::optional<std::string> {
            log.push_back("read");
            if (lines_available-- <= 0)
                return std::nullopt;
            return std::string("typed");
        };
        s.write_line = [this](const std::string& line) { log.push_back("write " + line); };
        return s;
    }
};

using Log = std::vector<std::string>;

} // namespace

class Tst_Start_Up : public QObject
{
    Q_OBJECT

private slots:
    void both_layers_present_runs_writes_and_reads_nothing()
    {
        Console console;
        console.present = {gui_layer, widget_layer};
        const Window_Module module = start_up(console.services());
        QVERIFY(module.GUI != nullptr && module.run_stand_alone != nullptr);
        QCOMPARE(console.log, (Log {"load gui-layer", "load widget-layer"}));
    }

    void install_that_helps_is_run_once_and_asks_nothing()
    {
        Console console;
        console.present = {widget_layer};
        console.installs = {gui_layer};
        start_up(console.services());
        QCOMPARE(console.log,
            (Log {"load gui-layer", "run py -m pip install tkinter", "load gui-layer",
                "load widget-layer"}));
    }

    void install_that_does_not_help_asks_once_then_checks_the_toolkit()
    {
        Console console;
        console.present = {widget_layer};
        start_up(console.services());
        QCOMPARE(console.log,
            (Log {"load gui-layer", "run py -m pip install tkinter", "load gui-layer",
                "write 請安裝 py -m pip install tkinter", "read", "load widget-layer"}));
    }

    void shell_that_cannot_run_goes_straight_to_the_prompt()
    {
        Console console;
        console.present = {gui_layer};
        console.shell_fails = true;
        start_up(console.services());
        QCOMPARE(console.log,
            (Log {"load gui-layer", "load widget-layer", "run py -m pip install customtkinter",
                "write 請安裝 py -m pip install customtkinter", "read"}));
    }

    void both_missing_for_good_prompt_in_turn_then_loading_fails()
    {
        Console console;
        QVERIFY_THROWS_EXCEPTION(
            std::runtime_error, start_up(console.services("/nonexistent/libpelderwick_gui.so")));
        QCOMPARE(console.log,
            (Log {"load gui-layer", "run py -m pip install tkinter", "load gui-layer",
                "write 請安裝 py -m pip install tkinter", "read", "load widget-layer",
                "run py -m pip install customtkinter", "load widget-layer",
                "write 請安裝 py -m pip install customtkinter", "read"}));
    }

    void end_of_input_ends_loading()
    {
        Console console;
        console.lines_available = 0;
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, start_up(console.services()));
        QCOMPARE(console.log.back(), std::string("read"));
        QVERIFY(std::find(console.log.begin(), console.log.end(), "load widget-layer")
            == console.log.end());
    }

    void real_loader_finds_a_layer_the_install_put_in_place()
    {
        QTemporaryDir place;
        const QString library = QString::fromStdString(platform::qt_library_file("Gui"));
        const std::string missing = QDir::toNativeSeparators(place.filePath(library)).toStdString();
        Start_Up_Services services = system_services();
        services.tk_layer = missing;
        std::vector<std::string> commands;
        services.run_command = [&](const std::string& command) {
            commands.push_back(command);
            QFile::copy(test_platform::qt_library_folder() + QLatin1Char('/') + library,
                QString::fromStdString(missing));
        };
        services.read_line = []() -> std::optional<std::string> {
            throw std::logic_error("nothing should be read");
        };
        start_up(services);
        QCOMPARE(commands, std::vector<std::string> {"py -m pip install tkinter"});
    }

    void second_load_in_a_process_does_nothing()
    {
        Console first;
        first.present = {gui_layer, widget_layer};
        const Window_Module& loaded = load_window_module(first.services());
        Console second;
        const Window_Module& again = load_window_module(second.services());
        QCOMPARE(&again, &loaded);
        QVERIFY(second.log.empty());
    }

    void stand_alone_program_prompts_in_order_and_waits_for_each_line()
    {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("PELDERWICK_TK_LAYER", "libQt6Gui-missing.so.6");
        environment.insert("PELDERWICK_TOOLKIT_LAYER", "libQt6Widgets-missing.so.6");
        environment.insert("PELDERWICK_WINDOW_MODULE", "/nonexistent/libpelderwick_gui.so");
        program.setProcessEnvironment(environment);
        program.start(test_platform::built_program("pelderwick_stand_alone"), {});
        QVERIFY(program.waitForStarted());
        QByteArray out;
        QTRY_VERIFY_WITH_TIMEOUT(
            (out += unix_line_ends(program.readAllStandardOutput())).contains('\n'), 20000);
        QCOMPARE(out, QByteArray("請安裝 py -m pip install tkinter\n"));
        QTest::qWait(300); // it waits for Enter before going on
        QCOMPARE(out += unix_line_ends(program.readAllStandardOutput()),
            QByteArray("請安裝 py -m pip install tkinter\n"));
        program.write("\n");
        QTRY_VERIFY_WITH_TIMEOUT(
            (out += unix_line_ends(program.readAllStandardOutput())).count('\n') == 2, 20000);
        QCOMPARE(out,
            QByteArray("請安裝 py -m pip install tkinter\n"
                       "請安裝 py -m pip install customtkinter\n"));
        program.write("\n");
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitCode(), 1);
        QVERIFY(program.readAllStandardError().contains("cannot load the window module"));
        QCOMPARE(unix_line_ends(program.readAllStandardOutput()), QByteArray());
    }

    void program_without_qt_runs_the_install_then_asks_then_ends()
    {
        QTemporaryDir place;
        if (!test_platform::copy_without_qt("pelderwick_stand_alone", place.path()))
            QSKIP("Qt's libraries here are the system's, not the program's");
        QProcess program;
        // Qt's libraries lie in the working folder: a program must not take them from there.
        program.setWorkingDirectory(test_platform::qt_library_folder());
        program.start(place.filePath("pelderwick_stand_alone.exe"), {});
        program.closeWriteChannel();
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitCode(), 1);
        // The install command ran through the real command shell, which knows no "py" here.
        QCOMPARE(unix_line_ends(program.readAllStandardOutput()),
            QByteArray("請安裝 py -m pip install tkinter\n"));
        const QByteArray errors = program.readAllStandardError();
        QVERIFY2(errors.contains("end of input"), errors.constData());
    }

    void install_command_never_runs_a_program_of_the_working_folder()
    {
        test_platform::Stand_In planted("py", test_platform::Stand_In::Place::working_folder);
        QVERIFY(platform::run_in_shell("py -m pip install tkinter"));
        QCOMPARE(planted.command_lines(), QStringList());
    }

    void library_missing_beside_the_program_is_never_taken_from_the_working_folder()
    {
        QTemporaryDir place;
        QTemporaryDir downloads;
        const QString planted
            = QCoreApplication::applicationDirPath() + "/planted/pelderwick_lines.dll";
        if (!QFile::exists(planted)
            || !test_platform::copy_without_qt("pelderwick_stand_alone", place.path()))
            QSKIP("only Windows looks for a program's libraries in its working folder");
        QVERIFY(QFile::remove(place.filePath("pelderwick_lines.dll")));
        QVERIFY(QFile::copy(planted, downloads.filePath("pelderwick_lines.dll")));
        QProcess program;
        program.setWorkingDirectory(downloads.path());
        program.start(place.filePath("pelderwick_stand_alone.exe"), {});
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitCode(), 1);
        QVERIFY(!QFile::exists(downloads.filePath("pelderwick_lines.dll.loaded")));
        QVERIFY(program.readAllStandardError().contains("pelderwick_stand_alone_main.dll"));
    }

    void qt_is_never_taken_from_the_working_folder()
    {
        const QString planted = QCoreApplication::applicationDirPath() + "/planted/libQt6Gui.so.6";
        if (!QFile::exists(planted))
            QSKIP("Windows plants a library of the program's own (the test above)");
        QTemporaryDir downloads;
        QVERIFY(QFile::copy(planted, downloads.filePath("libQt6Gui.so.6")));
        QProcess program;
        // A display that does not answer: the program ends once it has loaded Qt.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("QT_QPA_PLATFORM");
        environment.remove("WAYLAND_DISPLAY");
        environment.insert("DISPLAY", ":9999");
        program.setProcessEnvironment(environment);
        program.setWorkingDirectory(downloads.path());
        program.start(test_platform::built_program("pelderwick_stand_alone"), {});
        program.closeWriteChannel();
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitCode(), 1);
        QVERIFY(!QFile::exists(downloads.filePath("libQt6Gui.so.6.loaded")));
    }

    void stand_alone_program_ends_at_the_end_of_input()
    {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("PELDERWICK_TK_LAYER", "libQt6Gui-missing.so.6");
        program.setProcessEnvironment(environment);
        program.start(test_platform::built_program("pelderwick_stand_alone"), {});
        program.closeWriteChannel();
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitCode(), 1);
        QCOMPARE(unix_line_ends(program.readAllStandardOutput()),
            QByteArray("請安裝 py -m pip install tkinter\n"));
        QVERIFY(program.readAllStandardError().contains("end of input"));
    }
};

QTEST_GUILESS_MAIN(Tst_Start_Up)
#include "tst_start_up.moc"
