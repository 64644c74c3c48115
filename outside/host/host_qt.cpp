#include "host_qt.h"

#include "demo.h"
#include "exports.h"
#include "lines.h"
#include "notices.h"
#include "platform.h"
#include "print_settings.h"
#include "print_settings_window.h"
#include "root_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QIcon>
#include <QMenu>
#include <QPointer>
#include <QPrinterInfo>
#include <QSessionManager>
#include <QSystemTrayIcon>
#include <QTimer>
#include <memory>
#include <type_traits>

// Its parts go before the application object, in the reverse of their order here: the icon
// outliving the platform it is shown on crashes the program's end.
struct Host_Session
{
    std::unique_ptr<QApplication> application;
    std::unique_ptr<QMenu> menu; // the icon's
    std::unique_ptr<QSystemTrayIcon> notices; // the program's icon in the notification area
    QPointer<QWidget> print_settings; // the print settings' window, while open
    Notice_Board board;
    QTimer* board_timer = nullptr; // shows the notices of the board as they fall due
    QElapsedTimer since_notice;
    std::function<void()> look_again; // set while the host waits for the worker
    bool demo_failed = false;
};

namespace {

void open_print_settings(Host_Session& session)
{
    if (session.print_settings == nullptr)
        session.print_settings = make_print_settings_window();
    session.print_settings->show();
    session.print_settings->raise();
    session.print_settings->activateWindow();
}

// The program's icon in the notification area, where its menu opens the print settings. On X11
// it is made whether or not a notification area is there yet: Qt shows it once one appears (a
// panel restarted, a login that takes its time). None on other platforms without one.
QSystemTrayIcon* tray(Host_Session& session)
{
    if (!QSystemTrayIcon::isSystemTrayAvailable()
        && QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    if (session.notices == nullptr) {
        session.notices = std::make_unique<QSystemTrayIcon>(
            QIcon(QString::fromStdString(platform::template_path("\\格式範本\\logo.ico"))));
        session.notices->setToolTip(QStringLiteral("Pelderwick"));
        session.menu = std::make_unique<QMenu>();
        QObject::connect(session.menu->addAction(QStringLiteral("列印設定…")), &QAction::triggered,
            session.notices.get(), [&session] { open_print_settings(session); });
        session.notices->setContextMenu(session.menu.get());
        QObject::connect(session.notices.get(), &QSystemTrayIcon::activated, session.notices.get(),
            [&session](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::DoubleClick)
                    open_print_settings(session);
            });
        session.notices->show();
    }
    return session.notices.get();
}

void notify(Host_Session& session, const Notice& notice)
{
    QSystemTrayIcon* icon = tray(session);
    if (icon == nullptr || !QSystemTrayIcon::isSystemTrayAvailable()
        || !QSystemTrayIcon::supportsMessages())
        return; // standard error has it already
    icon->showMessage(QString::fromStdString(notice.title), QString::fromStdString(notice.message),
        QSystemTrayIcon::Warning, 10000);
    session.since_notice.start();
}

void show_due_notices(Host_Session& session)
{
    const auto now = Notice_Board::Clock::now();
    for (const Notice& notice : session.board.due(now))
        notify(session, notice);
    if (const auto next = session.board.next_due()) {
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(*next - now);
        session.board_timer->start(std::max<int>(0, int(wait.count()) + 1));
    }
}

void close_when_shown(int attempts_left)
{
    if (QWidget* app = shown_root_window())
        app->close();
    else if (attempts_left > 0)
        QTimer::singleShot(100, qApp, [attempts_left] { close_when_shown(attempts_left - 1); });
}

} // namespace

extern "C" PELDERWICK_EXPORT Host_Session* pelderwick_host_begin(bool offscreen)
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
    auto* session = new Host_Session;
    session->application = std::make_unique<QApplication>(argc, argv);
    session->board_timer = new QTimer(session->application.get());
    session->board_timer->setSingleShot(true);
    QObject::connect(session->board_timer, &QTimer::timeout, session->application.get(),
        [session] { show_due_notices(*session); });
    return session;
}

extern "C" PELDERWICK_EXPORT void pelderwick_host_start_demo(
    Host_Session* session, const Worker_Progress& progress)
{
    // Queued, so that it runs once the window is built and shown.
    QTimer::singleShot(0, qApp, [session, &progress] {
        run_demo(progress, [session](bool done_all) { session->demo_failed = !done_all; });
    });
}

extern "C" PELDERWICK_EXPORT void pelderwick_host_tell(
    Host_Session* session, const std::string& title, const std::string& message)
{
    report_line(title + "：" + message);
    QMetaObject::invokeMethod(
        session->application.get(),
        [session, title, message] {
            session->board.add(title, message, Notice_Board::Clock::now());
            show_due_notices(*session);
        },
        Qt::QueuedConnection);
}

extern "C" PELDERWICK_EXPORT void pelderwick_host_after_this_turn(
    Host_Session* session, std::function<void()> work)
{
    QMetaObject::invokeMethod(session->application.get(), std::move(work), Qt::QueuedConnection);
}

extern "C" PELDERWICK_EXPORT void pelderwick_host_close_window(Host_Session* session)
{
    QMetaObject::invokeMethod(
        session->application.get(), [] { close_when_shown(50); }, Qt::QueuedConnection);
}

extern "C" PELDERWICK_EXPORT void pelderwick_host_wait_until(
    Host_Session* session, const std::function<bool()>& done)
{
    // Once the worker is done, what the board holds is shown at once; a notice shown just now
    // stays a few seconds, while its icon is still there.
    auto waiting = [&] {
        if (done()) {
            for (const Notice& notice : session->board.all())
                notify(*session, notice);
        }
        return !done()
            || (session->since_notice.isValid() && session->since_notice.elapsed() < 4000);
    };
    if (!waiting())
        return;
    QEventLoop loop;
    session->look_again = [&] {
        if (!waiting())
            loop.quit();
    };
    // The worker wakes the loop when it ends; the timer only ends a notice's stay.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, session->look_again);
    poll.start(250);
    loop.exec();
    session->look_again = nullptr;
}

extern "C" PELDERWICK_EXPORT void pelderwick_host_wake(Host_Session* session)
{
    QMetaObject::invokeMethod(
        session->application.get(),
        [session] {
            if (session->look_again)
                session->look_again();
        },
        Qt::QueuedConnection);
}

extern "C" PELDERWICK_EXPORT void pelderwick_host_guard_session_end(
    const std::function<bool()>& working)
{
    QObject::connect(
        qApp, &QGuiApplication::commitDataRequest, qApp,
        [working](QSessionManager& manager) {
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

extern "C" PELDERWICK_EXPORT void pelderwick_host_offer_print_settings(Host_Session* session)
{
    // Queued: the window is built by then.
    QTimer::singleShot(0, session->application.get(), [session] {
        QSystemTrayIcon* icon = tray(*session);
        if (icon == nullptr || !QSystemTrayIcon::isSystemTrayAvailable()
            || !QSystemTrayIcon::supportsMessages() || told_about_printing()
            || QPrinterInfo::availablePrinterNames().isEmpty())
            return;
        icon->showMessage(QStringLiteral("Pelderwick 可以直接列印信封"),
            QStringLiteral(
                "信封可以直接送到印表機：在通知區域的 Pelderwick 圖示按右鍵，選「列印設定…」"),
            QSystemTrayIcon::Information, 15000);
        remember_told_about_printing();
    });
}

extern "C" PELDERWICK_EXPORT int pelderwick_host_run_print_settings(Host_Session* session)
{
    open_print_settings(*session);
    QObject::connect(session->print_settings, &QObject::destroyed, session->application.get(),
        &QCoreApplication::quit);
    return QApplication::exec();
}

extern "C" PELDERWICK_EXPORT int pelderwick_host_end(Host_Session* session)
{
    const int status = session->demo_failed ? 1 : 0;
    delete session;
    return status;
}

static_assert(std::is_same_v<decltype(&pelderwick_host_begin), decltype(Host_Qt::begin)>);
static_assert(std::is_same_v<decltype(&pelderwick_host_start_demo), decltype(Host_Qt::start_demo)>);
static_assert(std::is_same_v<decltype(&pelderwick_host_tell), decltype(Host_Qt::tell)>);
static_assert(
    std::is_same_v<decltype(&pelderwick_host_after_this_turn), decltype(Host_Qt::after_this_turn)>);
static_assert(
    std::is_same_v<decltype(&pelderwick_host_close_window), decltype(Host_Qt::close_window)>);
static_assert(std::is_same_v<decltype(&pelderwick_host_wait_until), decltype(Host_Qt::wait_until)>);
static_assert(std::is_same_v<decltype(&pelderwick_host_wake), decltype(Host_Qt::wake)>);
static_assert(std::is_same_v<decltype(&pelderwick_host_guard_session_end),
    decltype(Host_Qt::guard_session_end)>);
static_assert(std::is_same_v<decltype(&pelderwick_host_offer_print_settings),
    decltype(Host_Qt::offer_print_settings)>);
static_assert(std::is_same_v<decltype(&pelderwick_host_run_print_settings),
    decltype(Host_Qt::run_print_settings)>);
static_assert(std::is_same_v<decltype(&pelderwick_host_end), decltype(Host_Qt::end)>);
