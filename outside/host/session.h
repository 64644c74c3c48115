#pragma once

// The program's Qt side for one run: the application object, which outlives the window so that
// the worker can finish after the window has closed; the program's icon in the notification
// area, whose menu opens the print settings (shown when an area appears, also after the start);
// the notices, kept few, in the notification area or else through the desktop's notification
// service; closing the window when the process is asked to end; and the desktop's end of the
// session held while there is work. Its parts go before the application object.

#include "notices.h"
#include "outputs.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <string>

class QApplication;
class QMenu;
class QSystemTrayIcon;
class QTimer;
class QWidget;
class Desktop_Notifications;

class Session
{
public:
    // On the main thread; offscreen when asked.
    explicit Session(bool offscreen);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // From any thread: one line on standard error, and a notification.
    void tell(const std::string& title, const std::string& message);
    // From the window's thread: `work` runs there once what runs now is over (a press's turn).
    void after_this_turn(std::function<void()> work);
    // From any thread: closes the window as its close button does.
    void close_window();
    // After the window has closed: runs the events (notifications) until `done` holds.
    void wait_until(const std::function<bool()>& done);
    // From any thread: a running `wait_until` looks at `done` again at once.
    void wake();
    // While `working` holds, the desktop's end of the session is refused with a reason.
    void guard_session_end(std::function<bool()> working);
    // Once the window is shown: the icon; until the user has opened the print settings once, a
    // notice that envelopes can go straight to a printer, where the print system has one.
    void offer_print_settings();
    // The print settings' window alone, until it is closed.
    int run_print_settings();
    // A list window alone (its file loaded where given), until it is closed.
    int run_list(const QString& path, const std::string& printer);
    // Once the window is shown: the demo (demo.h).
    void start_demo(const Worker_Progress& progress);
    bool demo_failed() const { return demo_failed_; }

private:
    void open_print_settings();
    bool open_list(const QString& path = QString()); // false when no file was chosen
    QSystemTrayIcon* tray();
    void notify(const Notice& notice);
    void show_due_notices();
    void tell_about_printing();

    std::unique_ptr<QApplication> application_;
    std::unique_ptr<QMenu> menu_; // the icon's
    std::unique_ptr<QSystemTrayIcon> icon_;
    Desktop_Notifications* desktop_ = nullptr; // the application's child
    QPointer<QWidget> print_settings_;
    Notice_Board board_;
    QTimer* board_timer_ = nullptr;
    QElapsedTimer since_notice_;
    std::function<void()> look_again_; // set while waiting for the worker
    bool demo_failed_ = false;
    std::string list_printer_; // this run's, for the lists' envelopes
};
