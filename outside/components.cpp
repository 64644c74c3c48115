#include "components.h"

#include "guard.h"
#include "lines.h"
#include "request_fields.h"

#include <QLabel>
#include <QLineEdit>
#include <stdexcept>

namespace {

QLineEdit* make_entry(QWidget* parent, const std::string& name, int width)
{
    auto* entry = new QLineEdit(parent);
    entry->setObjectName(QString::fromStdString(name));
    entry->setAccessibleName(entry->objectName());
    entry->setFixedSize(width, 28);
    return entry;
}

QLabel* make_label(QWidget* parent, const std::string& text)
{
    auto* label = new QLabel(QString::fromStdString(text), parent);
    label->setMinimumHeight(28);
    return label;
}

QWidget* make_body(QWidget* parent)
{
    auto* body = new QWidget(parent);
    grid(body, {.padx = Pad(5), .pady = Pad(5), .sticky = "nw"});
    return body;
}

} // namespace

Entry_Table::Entry_Table(QWidget* parent)
    : body_(make_body(parent))
{ }

void Entry_Table::add_entry_name(const std::string& header, int width)
{
    const int column = static_cast<int>(columns_.size());
    grid(make_label(body_, header), {.row = 0, .column = column, .padx = Pad(2), .sticky = "w"});
    columns_.emplace_back(header, width);
    cells_.emplace_back();
}

void Entry_Table::add_table(int rows)
{
    for (int row = 0; row < rows; ++row) {
        for (std::size_t column = 0; column < columns_.size(); ++column) {
            const auto& [header, width] = columns_[column];
            auto* cell = make_entry(body_, cell_name(header.c_str(), row), width);
            grid(cell,
                {.row = row + 1,
                    .column = static_cast<int>(column),
                    .padx = Pad(2),
                    .pady = Pad(2)});
            cells_[column].emplace_back(cell);
        }
    }
}

std::vector<std::vector<std::string>> Entry_Table::get() const
{
    std::vector<std::vector<std::string>> columns;
    for (const auto& cells : cells_) {
        auto& texts = columns.emplace_back();
        for (const auto& cell : cells) {
            if (cell.isNull())
                throw std::runtime_error("the recipient table is gone");
            texts.push_back(cell->text().toStdString());
        }
    }
    return columns;
}

void Entry_Table::delete_all()
{
    for (const auto& cells : cells_) {
        for (const auto& cell : cells) {
            if (!cell.isNull())
                cell->clear();
        }
    }
}

void Entry_Table::update()
{
    // Qt repaints on its own; repainting the whole table twice a second would only burn CPU.
    if (body_.isNull())
        throw std::runtime_error("the recipient table is gone");
}

Set_Table::Set_Table(QWidget* parent)
    : body_(make_body(parent))
{ }

void Set_Table::add_entry_name(const std::string& label)
{
    const int row = static_cast<int>(fields_.size());
    grid(make_label(body_, label), {.row = row, .column = 0, .padx = Pad(0, 5), .sticky = "w"});
    auto* entry = make_entry(body_, label, 230);
    grid(entry, {.row = row, .column = 1, .pady = Pad(2)});
    fields_.emplace_back(label, entry);
}

std::string Set_Table::get(const std::string& label) const
{
    for (const auto& [name, entry] : fields_) {
        if (name == label) {
            if (entry.isNull())
                throw std::runtime_error("the field \"" + label + "\" is gone");
            return entry->text().toStdString();
        }
    }
    throw std::out_of_range("no field \"" + label + "\"");
}

namespace {

std::string file_name_of(const std::string& path)
{
    const auto cut = path.find_last_of("\\/");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

void show_image(QPushButton* button, const std::string& path, std::pair<int, int> size)
{
    // A missing image leaves the button in place without it.
    try {
        const QSize shown(size.first, size.second);
        button->setIcon(full_colour_icon(load_image(path), shown));
        button->setIconSize(shown);
    } catch (...) {
        say_line(current_error_text());
    }
}

void paint_face(QPushButton* button, const Button_Options& options)
{
    if (options.fg_color == "transparent") {
        make_transparent(button);
    } else if (options.fg_color || options.corner_radius) {
        const QString face = QString::fromStdString(options.fg_color.value_or("#1F6AA5"));
        const int radius = options.corner_radius.value_or(6);
        button->setStyleSheet(
            QStringLiteral("QPushButton { background-color: %1; border-radius: %2px; }"
                           "QPushButton:hover { background-color: #144870; }")
                .arg(face)
                .arg(radius));
    }
}

} // namespace

void Set_Button::add_button(QWidget* parent, const Button_Options& options)
{
    const std::string name = options.button_name.value_or(
        options.image_path ? file_name_of(*options.image_path) : std::string());
    auto* button = new QPushButton(QString::fromStdString(options.text.value_or("")), parent);
    button->setObjectName(QString::fromStdString(name));
    if (!options.text)
        button->setAccessibleName(button->objectName());
    if (options.image_path)
        show_image(button, *options.image_path, options.size.value_or(std::pair {20, 20}));
    button->setMinimumSize(options.width.value_or(options.image_path ? 0 : 140), 28);
    paint_face(button, options);
    grid(button,
        {.row = options.row.value_or(next_free_row(parent)),
            .column = options.column.value_or(0),
            .padx = options.padx.value_or(Pad(0)),
            .pady = options.pady.value_or(Pad(0)),
            .sticky = options.sticky.value_or("")});
    QObject::connect(button, &QPushButton::clicked, button,
        [event = options.button_event, name] { call_guarded(name.c_str(), event); });
    buttons_[name] = button;
}

QPushButton* Set_Button::button(const std::string& button_name) const
{
    auto found = buttons_.find(button_name);
    if (found == buttons_.end() || found->second.isNull())
        throw std::out_of_range("no button named \"" + button_name + "\"");
    return found->second;
}

std::string Set_Button::cget(const std::string& button_name, const std::string& option) const
{
    if (option != "text")
        throw std::invalid_argument("unknown option \"" + option + "\"");
    return button(button_name)->text().toStdString();
}

void Set_Button::configure(const std::string& button_name, const std::string& text)
{
    button(button_name)->setText(QString::fromStdString(text));
}
