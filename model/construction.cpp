#include "guard.h"
#include "gui.h"
#include "lines.h"
#include "main_window.h"
#include "platform.h"
#include "request_fields.h"
#include "state.h"

#include <QApplication>
#include <QEventLoop>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QTimer>
#include <stdexcept>

namespace {

QApplication* require_application(std::unique_ptr<QApplication>& own)
{
    static int argc = 1;
    static char name[] = "Pelderwick";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() == nullptr)
        own = std::make_unique<QApplication>(argc, argv);
    auto* application = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (application == nullptr)
        throw std::runtime_error("the window needs a widget application, not a console one");
    return application;
}

QWidget* make_root_window()
{
    auto* app = new QWidget;
    app->setObjectName(QStringLiteral("app"));
    app->setWindowTitle(QStringLiteral("Pelderwick"));
    app->setAccessibleName(app->windowTitle());
    app->setAttribute(Qt::WA_DeleteOnClose);
    for (int column = 0; column < 3; ++column)
        columnconfigure(app, column, 1);
    // Not resizable: the window keeps the size its content asks for.
    app->layout()->setSizeConstraint(QLayout::SetFixedSize);
    return app;
}

void set_window_icon(QWidget* app)
{
    try {
        const QImage icon = load_image(platform::template_path("\\格式範本\\logo.ico"));
        app->setWindowIcon(QIcon(QPixmap::fromImage(icon)));
    } catch (...) {
        say_line(current_error_text());
    }
}

Frame* layout_frame(QWidget* app, const char* name, const Grid& cell)
{
    auto* frame = new Frame(app, name, {200, 200}, Frame::Colour::transparent);
    grid(frame, cell);
    return frame;
}

Layout_Frames build_frames(QWidget* app)
{
    Layout_Frames f;
    f.FF = layout_frame(app, "FF",
        {.row = 0,
            .column = 0,
            .columnspan = 2,
            .padx = {10, 5},
            .pady = {10, 5},
            .sticky = "nsew"});
    f.AA = layout_frame(
        app, "AA", {.row = 1, .column = 0, .padx = {10, 5}, .pady = {5, 0}, .sticky = "nsew"});
    f.BB = layout_frame(
        app, "BB", {.row = 1, .column = 1, .padx = {0, 10}, .pady = {5, 0}, .sticky = "nsew"});
    f.DD = layout_frame(app, "DD",
        {.row = 2,
            .column = 0,
            .columnspan = 2,
            .padx = {10, 10},
            .pady = {5, 10},
            .sticky = "ew"});
    using Colour = Frame::Colour;
    f.frame[0] = new Frame(f.DD, "frame[0]", {700, 300}, Colour::standard);
    grid(f.frame[0], {.row = 0, .column = 0, .sticky = "new"});
    f.frame[1] = new Frame(f.AA, "frame[1]", {395, 110}, Colour::standard);
    grid(f.frame[1], {.row = 0, .column = 0, .sticky = "new"});
    f.frame[5] = new Frame(f.frame[1], "frame[5]", {395, 110}, Colour::transparent);
    place(f.frame[5], 10, 0);
    f.frame[2] = new Frame(f.BB, "frame[2]", {300, 110}, Colour::standard);
    grid(f.frame[2], {.row = 0, .column = 0, .sticky = "new"});
    f.frame[4] = new Frame(f.FF, "frame[4]", {200, 10}, Colour::transparent);
    grid(f.frame[4], {.row = 0, .column = 0, .rowspan = 2, .sticky = "nsew"});
    return f;
}

QPushButton* logo_button(QWidget* parent, const char* name, const QImage& image, QSize size)
{
    auto* button = new QPushButton(parent);
    button->setObjectName(QString::fromUtf8(name));
    button->setAccessibleName(button->objectName());
    button->setIcon(full_colour_icon(image, size));
    button->setIconSize(size);
    button->setEnabled(false);
    button->setMinimumWidth(50);
    make_transparent(button);
    return button;
}

void build_logo_block(QWidget* parent)
{
    try {
        const QImage square = load_image(platform::template_path("\\格式範本\\logo.png"));
        grid(logo_button(parent, "logo.png", square, {50, 50}),
            {.row = 0, .column = 0, .padx = {0, 5}, .sticky = "w"});
        const QImage lettering
            = load_image(platform::template_path("\\格式範本\\logo(僅文字).png"));
        grid(logo_button(parent, "logo(僅文字).png", lettering, {120, 30}),
            {.row = 0, .column = 1, .padx = {0, 15}, .sticky = "w"});
        auto* title = new QLabel(QStringLiteral("Pelderwick"), parent);
        title->setObjectName(QStringLiteral("image_logo_text"));
        title->setFont(ctk_font(QStringLiteral("Microsoft JhengHei"), 20, true));
        grid(title, {.row = 0, .column = 2, .sticky = "nsew"});
    } catch (...) {
        say_line(current_error_text());
    }
}

// Tab goes through the forms first, then the format menu and the buttons.
void set_tab_order(QWidget* app)
{
    QStringList names;
    for (const char* label :
        {request_key::sender_name, request_key::sender_postal_code, request_key::sender_address})
        names << QString::fromUtf8(label);
    for (int row = 0; row < 7; ++row) {
        for (const char* column : {request_key::recipient_name, request_key::recipient_postal_code,
                 request_key::recipient_address})
            names << QString::fromStdString(cell_name(column, row));
    }
    names << QStringLiteral("optionmenu_001") << QString::fromUtf8(output_button)
          << QStringLiteral("垃圾桶.png") << QStringLiteral("資料夾.png")
          << QStringLiteral("問號001.png") << QStringLiteral("齒輪.png");
    QWidget* previous = nullptr;
    for (const QString& name : names) {
        QWidget* next = app->findChild<QWidget*>(name);
        if (previous != nullptr && next != nullptr)
            QWidget::setTabOrder(previous, next);
        previous = next != nullptr ? next : previous;
    }
}

void start_progress_indicator(Main_Window_State& state)
{
    state.aa = [&state] { ::aa(state); };
    schedule_aa(state);
}

// Closing the root window deletes it, and with it every settings window it owns.
void run_until_closed(QWidget* app)
{
    QEventLoop loop;
    QObject::connect(app, &QObject::destroyed, &loop, &QEventLoop::quit);
    app->show();
    loop.exec();
}

} // namespace

void run_main_window(
    Queue_Bundle& Queue_All_variable, Event_Bundle& Event_All_variable, Window_Settings settings)
{
    std::unique_ptr<QApplication> own_application;
    require_application(own_application);
    Main_Window_State state {.Queue_All_variable = Queue_All_variable,
        .Event_All_variable = Event_All_variable,
        .stand_alone = settings.stand_alone,
        .tick_ms = settings.tick_ms};
    apply_dark_theme();
    std::unique_ptr<QWidget> app(make_root_window());
    state.app = app.get();
    set_window_icon(app.get());
    const Layout_Frames frames = build_frames(app.get());
    build_logo_block(frames.frame[4]);
    build_forms(state, frames);
    const Button_Events events = make_button_events(state);
    build_buttons(state, frames, events);
    build_format_menu(state, frames);
    set_tab_order(app.get());
    start_progress_indicator(state);
    run_until_closed(app.release());
    shutdown_hand_off(state);
}

void GUI(Queue_Bundle& Queue_All_variable, Event_Bundle& Event_All_variable)
{
    run_main_window(Queue_All_variable, Event_All_variable, {});
}

void run_stand_alone()
{
    Placeholder_Bundle<Queue> queues;
    Placeholder_Bundle<Event> events;
    run_main_window(queues, events, {.stand_alone = true});
}
