#include "session.h"

#include "address_book_window.h"
#include "demo.h"
#include "desktop_notifications.h"
#include "guard.h"
#include "in_background.h"
#include "lines.h"
#include "list_window.h"
#include "platform.h"
#include "print_jobs.h"
#include "print_settings.h"
#include "print_settings_window.h"
#include "root_window.h"

#include <QApplication>
#include <QEventLoop>
#include <QFileDialog>
#include <QIcon>
#include <QMenu>
#include <QSessionManager>
#include <QSystemTrayIcon>
#include <QTimer>

namespace {

void close_when_shown(int attempts_left)
{
    if (QWidget* app = shown_root_window())
        app->close();
    else if (attempts_left > 0)
        QTimer::singleShot(100, qApp, [attempts_left] { close_when_shown(attempts_left - 1); });
}

QApplication* make_application(bool offscreen)
{
    static int argc = 1;
    static char name[] = "Pelderwick";
    static char* argv[] = {name, nullptr};
    if (offscreen) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // Offscreen, Qt on Windows reads its fonts from one folder only.
        const std::string fonts = platform::system_font_folder();
        if (!fonts.empty() && qEnvironmentVariableIsEmpty("QT_QPA_FONTDIR"))
            qputenv("QT_QPA_FONTDIR", QByteArray::fromStdString(fonts));
    }
    return new QApplication(argc, argv);
}

} // namespace

Session::Session(bool offscreen)
    : application_(make_application(offscreen))
    , desktop_(new Desktop_Notifications(application_.get()))
    , board_timer_(new QTimer(application_.get()))
{
    board_timer_->setSingleShot(true);
    QObject::connect(board_timer_, &QTimer::timeout, application_.get(),
        [this] { call_guarded("the notices", [this] { show_due_notices(); }); });
}

Session::~Session()
{
    delete print_settings_;
    icon_.reset();
    menu_.reset();
}

void Session::open_print_settings()
{
    if (print_settings_ == nullptr)
        print_settings_ = make_print_settings_window();
    print_settings_->show();
    print_settings_->raise();
    print_settings_->activateWindow();
    remember_print_settings_seen();
}

// A list chosen in a file dialog, in a list window of its own.
bool Session::open_list(const QString& path)
{
    QString chosen = path;
    if (chosen.isEmpty()) {
        chosen = QFileDialog::getOpenFileName(nullptr, QStringLiteral("名單列印：開啟名單"),
            QString(), QStringLiteral("名單 (*.xlsx *.csv *.txt *.tsv);;所有檔案 (*)"));
        if (chosen.isEmpty())
            return false;
    }
    QWidget* window = make_list_window(
        {[this](const std::string& title, const std::string& message) { tell(title, message); },
            list_printer_},
        chosen);
    window->show();
    window->raise();
    return true;
}

int Session::run_list(const QString& path, const std::string& printer)
{
    list_printer_ = printer;
    if (!open_list(path))
        return 0; // the file dialog was cancelled
    QApplication::setQuitOnLastWindowClosed(true);
    return QApplication::exec();
}

// The program's icon in the notification area, where its menu opens the print settings. On X11
// it is made whether or not a notification area is there yet: Qt shows it once one appears (a
// panel restarted, a login that takes its time). None on other platforms without one.
QSystemTrayIcon* Session::tray()
{
    if (!QSystemTrayIcon::isSystemTrayAvailable()
        && QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    if (icon_ == nullptr) {
        icon_ = std::make_unique<QSystemTrayIcon>(
            QIcon(QString::fromStdString(platform::template_path("\\格式範本\\logo.ico"))));
        icon_->setToolTip(QStringLiteral("Pelderwick 信封列印"));
        menu_ = std::make_unique<QMenu>();
        QObject::connect(menu_->addAction(QStringLiteral("列印設定…")), &QAction::triggered,
            icon_.get(), [this] { call_guarded("列印設定…", [this] { open_print_settings(); }); });
        QObject::connect(menu_->addAction(QStringLiteral("名單列印…")), &QAction::triggered,
            icon_.get(), [this] { call_guarded("名單列印…", [this] { open_list(); }); });
        QObject::connect(
            menu_->addAction(QStringLiteral("通訊錄…")), &QAction::triggered, icon_.get(), [this] {
                call_guarded("通訊錄…", [this] {
                    QWidget* book = make_address_book_window(
                        {[this](const std::string& title, const std::string& message) {
                             tell(title, message);
                         },
                            list_printer_});
                    book->show();
                });
            });
        icon_->setContextMenu(menu_.get());
        QObject::connect(icon_.get(), &QSystemTrayIcon::activated, icon_.get(),
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::DoubleClick)
                    call_guarded("the icon", [this] { open_print_settings(); });
            });
        icon_->show();
    }
    return icon_.get();
}

void Session::notify(const Notice& notice)
{
    QSystemTrayIcon* icon = tray();
    if (icon != nullptr && QSystemTrayIcon::isSystemTrayAvailable()
        && QSystemTrayIcon::supportsMessages()) {
        icon->showMessage(QString::fromStdString(notice.title),
            QString::fromStdString(notice.message), QSystemTrayIcon::Warning, 10000);
        since_notice_.start(); // the icon stays a while for it
    } else { // a desktop without a notification area; standard error has it already
        desktop_->show(
            QString::fromStdString(notice.title), QString::fromStdString(notice.message));
    }
}

void Session::show_due_notices()
{
    const auto now = Notice_Board::Clock::now();
    for (const Notice& notice : board_.due(now))
        notify(notice);
    if (const auto next = board_.next_due()) {
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(*next - now);
        board_timer_->start(std::max<int>(0, int(wait.count()) + 1));
    }
}

void Session::tell(const std::string& title, const std::string& message)
{
    report_line(title + "：" + message);
    QMetaObject::invokeMethod(
        application_.get(),
        [this, title, message] {
            call_guarded("a notice", [&] {
                board_.add(title, message, Notice_Board::Clock::now());
                show_due_notices();
            });
        },
        Qt::QueuedConnection);
}

void Session::after_this_turn(std::function<void()> work)
{
    QMetaObject::invokeMethod(
        application_.get(), [work = std::move(work)] { call_guarded("a press's end", work); },
        Qt::QueuedConnection);
}

void Session::close_window()
{
    QMetaObject::invokeMethod(
        application_.get(), [] { close_when_shown(50); }, Qt::QueuedConnection);
}

void Session::wait_until(const std::function<bool()>& done)
{
    // Once the worker is done, what the board holds is shown at once; a notice shown just now
    // stays a few seconds, while its icon is still there.
    auto waiting = [&] {
        if (done()) {
            for (const Notice& notice : board_.all())
                notify(notice);
        }
        return !done() || (since_notice_.isValid() && since_notice_.elapsed() < 4000);
    };
    if (!waiting())
        return;
    QEventLoop loop;
    look_again_ = [&] {
        if (!waiting())
            loop.quit();
    };
    // The worker wakes the loop when it ends; the timer only ends a notice's stay.
    QTimer poll;
    QObject::connect(
        &poll, &QTimer::timeout, &loop, [this] { call_guarded("waiting", look_again_); });
    poll.start(250);
    loop.exec();
    look_again_ = nullptr;
}

void Session::wake()
{
    QMetaObject::invokeMethod(
        application_.get(),
        [this] {
            if (look_again_)
                call_guarded("waiting", look_again_);
        },
        Qt::QueuedConnection);
}

void Session::guard_session_end(std::function<bool()> working)
{
    QObject::connect(
        application_.get(), &QGuiApplication::commitDataRequest, application_.get(),
        [working = std::move(working)](QSessionManager& manager) {
            QWidget* app = shown_root_window();
            void* window = app != nullptr ? reinterpret_cast<void*>(app->winId()) : nullptr;
            if (!working()) {
                platform::allow_session_end(window);
                return;
            }
            manager.cancel();
            platform::block_session_end(window, "Pelderwick 正在輸出信封，完成後即可登出或關機");
        },
        Qt::DirectConnection);
}

void Session::offer_print_settings()
{
    // Queued: the window is built by then.
    QTimer::singleShot(0, application_.get(), [this] {
        call_guarded("the print settings' offer", [this] {
            tray();
            if (!print_settings_seen())
                tell_about_printing();
        });
    });
}

// Whether there is a printer is asked off the window's thread: a print system that does not
// answer never holds the window.
void Session::tell_about_printing()
{
    ask_in_background<bool>(
        application_.get(), [] { return !list_printers().printers.empty(); },
        [this](const bool printers) {
            if (!printers)
                return;
            const QString title = QStringLiteral("Pelderwick 可以直接列印信封");
            QSystemTrayIcon* icon = tray();
            if (icon != nullptr && QSystemTrayIcon::isSystemTrayAvailable()
                && QSystemTrayIcon::supportsMessages()) {
                QObject::connect(icon, &QSystemTrayIcon::messageClicked, icon,
                    [this] { call_guarded("the notice", [this] { open_print_settings(); }); });
                icon->showMessage(title,
                    QStringLiteral("信封可以直接送到印表機。按這裡，或在通知區域的 Pelderwick "
                                   "圖示按右鍵，選「列印設定…」。"),
                    QSystemTrayIcon::Information, 30000);
            } else {
                desktop_->show(title,
                    QStringLiteral("信封可以直接送到印表機：選「開啟列印設定」，或從應用程式選單的 "
                                   "Pelderwick 選「列印設定」。"),
                    QStringLiteral("開啟列印設定"), [this] { open_print_settings(); });
            }
        },
        std::chrono::seconds(15), [] {});
}

int Session::run_print_settings()
{
    open_print_settings();
    QObject::connect(
        print_settings_, &QObject::destroyed, application_.get(), &QCoreApplication::quit);
    return QApplication::exec();
}

void Session::start_demo(const Worker_Progress& progress)
{
    // Queued, so that it runs once the window is built and shown.
    QTimer::singleShot(0, application_.get(), [this, &progress] {
        run_demo(progress, [this](bool done_all) { demo_failed_ = !done_all; });
    });
}
