#include "guard.h"
#include "request_fields.h"
#include "size_ratio.h"
#include "state.h"

#include <QLabel>
#include <QLineEdit>

namespace {

const QStringList font_names = {
    QStringLiteral("微軟正黑體"),
    QStringLiteral("標楷體"),
    QStringLiteral("Calibri"),
    QStringLiteral("新細明體"),
    QStringLiteral("Brush Script MT"),
};

QFont dialog_font(int pixel_size)
{
    return ctk_font(QStringLiteral("Microsoft JhengHei"), pixel_size, true);
}

QWidget* make_setting_window(QWidget* app)
{
    auto* window = new QWidget(app, Qt::Window | Qt::WindowStaysOnTopHint);
    window->setObjectName(QStringLiteral("setting_window"));
    window->setAttribute(Qt::WA_DeleteOnClose); // a closed dialog is gone, not hidden
    window->setWindowTitle(QStringLiteral("設定"));
    window->setAccessibleName(window->windowTitle());
    window->resize(300, 330);
    return window;
}

void add_caption(QWidget* window, const char* text, int row, Pad pady)
{
    auto* caption = new QLabel(QString::fromUtf8(text), window);
    caption->setFont(dialog_font(15));
    caption->setAlignment(Qt::AlignCenter);
    caption->setMinimumHeight(28);
    grid(caption, {.row = row, .column = 0, .pady = pady, .sticky = "nsew"});
}

Option_Menu* add_font_menu(
    QWidget* window, const char* name, int row, Pad pady, const Value& preset)
{
    auto* menu = new Option_Menu(window, name, font_names, dialog_font(13), {50, 20});
    grid(menu, {.row = row, .column = 0, .padx = {20, 20}, .pady = pady, .sticky = "nsew"});
    menu->set(QString::fromStdString(std::get<std::string>(preset)));
    return menu;
}

// Writes what one dialog shows into the record: ratio first, then the Chinese, then the Latin
// font. A ratio that is not a number becomes the whole number 1, silently.
void button_event_004_A(Parameters& PP, const QLineEdit* entry, const Option_Menu* optionmenu_004_A,
    const Option_Menu* optionmenu_004_B)
{
    const std::optional<double> percent = percent_from_text(entry->text());
    if (percent)
        PP.parameters[request_key::size_ratio] = *percent / 100;
    else
        PP.parameters[request_key::size_ratio] = 1LL;
    PP.parameters[request_key::chinese_font] = optionmenu_004_B->get().toStdString();
    PP.parameters[request_key::latin_font] = optionmenu_004_A->get().toStdString();
}

} // namespace

void button_event_004(Main_Window_State& state)
{
    Record& settings = state.PP.parameters;
    QWidget* window = make_setting_window(state.app);
    add_caption(window, "信件文字英文字體設定", 1, {0, 10});
    auto* optionmenu_004_A = add_font_menu(
        window, "optionmenu_004_A", 1, {60, 10}, settings.at(request_key::latin_font));
    add_caption(window, "信件文字中文字體設定", 2, {0, 10});
    auto* optionmenu_004_B = add_font_menu(
        window, "optionmenu_004_B", 3, {10, 10}, settings.at(request_key::chinese_font));
    add_caption(window, "信件文字大小比例", 4, {10, 10});
    auto* entry = new QLineEdit(window);
    entry->setObjectName(QStringLiteral("entry"));
    entry->setAccessibleName(entry->objectName());
    entry->setPlaceholderText(
        QString::fromStdString(ratio_hint_text(settings.at(request_key::size_ratio))));
    entry->setMinimumWidth(300);
    entry->setFixedHeight(30);
    grid(entry, {.row = 5, .column = 0, .sticky = "new"});
    auto* button_1 = new QPushButton(QStringLiteral("確認"), window);
    button_1->setObjectName(QStringLiteral("button_1"));
    button_1->setFont(dialog_font(15));
    button_1->setMinimumSize(140, 28);
    grid(button_1, {.row = 6, .column = 0, .padx = Pad(50), .pady = {10, 10}});
    Parameters& PP = state.PP;
    QObject::connect(button_1, &QPushButton::clicked, window, [=, &PP] {
        call_guarded("button_event_004_A",
            [&] { button_event_004_A(PP, entry, optionmenu_004_A, optionmenu_004_B); });
    });
    window->show();
}
