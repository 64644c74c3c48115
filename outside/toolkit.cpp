#include "toolkit.h"

#include "platform.h"

#include <QApplication>
#include <QEvent>
#include <QGridLayout>
#include <QImageReader>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <QWidgetItem>
#include <filesystem>
#include <stdexcept>

namespace {

// A grid cell's content: its own pads, and "sticky" deciding which edges it clings to.
class Grid_Item : public QWidgetItem
{
public:
    Grid_Item(QWidget* widget, const Grid& cell)
        : QWidgetItem(widget)
        , padx_(cell.padx)
        , pady_(cell.pady)
        , sticky_(QString::fromLatin1(cell.sticky))
    { }

    QSize sizeHint() const override { return padded(QWidgetItem::sizeHint()); }
    QSize minimumSize() const override { return sizeHint(); }
    QSize maximumSize() const override { return {QLAYOUTSIZE_MAX, QLAYOUTSIZE_MAX}; }
    Qt::Orientations expandingDirections() const override { return {}; }

    void setGeometry(const QRect& cell) override
    {
        const QRect inner = cell.adjusted(padx_.before, pady_.before, -padx_.after, -pady_.after);
        const QSize own = QWidgetItem::sizeHint();
        const auto [x, width] = span(inner.x(), inner.width(), own.width(), 'w', 'e',
            widget()->minimumWidth(), widget()->maximumWidth());
        const auto [y, height] = span(inner.y(), inner.height(), own.height(), 'n', 's',
            widget()->minimumHeight(), widget()->maximumHeight());
        widget()->setGeometry(x, y, width, height);
    }

private:
    QSize padded(QSize size) const
    {
        return {
            size.width() + padx_.before + padx_.after, size.height() + pady_.before + pady_.after};
    }

    std::pair<int, int> span(
        int start, int room, int own, char low, char high, int least, int most) const
    {
        const bool to_low = sticky_.contains(QLatin1Char(low));
        const bool to_high = sticky_.contains(QLatin1Char(high));
        const int length = qBound(least, to_low && to_high ? room : std::min(own, room), most);
        if (to_low)
            return {start, length};
        if (to_high)
            return {start + room - length, length};
        return {start + (room - length) / 2, length};
    }

    Pad padx_;
    Pad pady_;
    QString sticky_;
};

QGridLayout* grid_layout(QWidget* parent)
{
    if (auto* existing = qobject_cast<QGridLayout*>(parent->layout()))
        return existing;
    auto* layout = new QGridLayout(parent);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return layout;
}

// Rows and columns used by widgets (spacers aside), as one past the last.
QPoint used_extent(QGridLayout* layout)
{
    QPoint extent(0, 0);
    for (int i = 0; i < layout->count(); ++i) {
        if (layout->itemAt(i)->spacerItem() != nullptr)
            continue;
        int row = 0, column = 0, rows = 0, columns = 0;
        layout->getItemPosition(i, &row, &column, &rows, &columns);
        extent.setX(std::max(extent.x(), column + columns));
        extent.setY(std::max(extent.y(), row + rows));
    }
    return extent;
}

// Spare room goes past the last row and column, so unweighted content keeps to the top left.
void move_filler(QGridLayout* layout)
{
    for (int i = layout->count() - 1; i >= 0; --i) {
        if (layout->itemAt(i)->spacerItem() != nullptr)
            delete layout->takeAt(i);
    }
    const QPoint extent = used_extent(layout);
    layout->addItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Expanding),
        extent.y(), extent.x());
}

} // namespace

void grid(QWidget* widget, const Grid& cell)
{
    QWidget* parent = widget->parentWidget();
    if (parent == nullptr)
        throw std::logic_error("grid: widget without a parent");
    QGridLayout* layout = grid_layout(parent);
    layout->addItem(
        new Grid_Item(widget, cell), cell.row, cell.column, cell.rowspan, cell.columnspan);
    move_filler(layout);
    widget->show();
}

void columnconfigure(QWidget* parent, int column, int weight)
{
    grid_layout(parent)->setColumnStretch(column, weight);
}

int next_free_row(QWidget* parent)
{
    auto* layout = qobject_cast<QGridLayout*>(parent->layout());
    return layout == nullptr ? 0 : used_extent(layout).y();
}

void place(QWidget* widget, int x, int y)
{
    if (auto* frame = qobject_cast<Frame*>(widget))
        frame->set_placed();
    widget->move(x, y);
    widget->resize(widget->sizeHint());
    widget->show();
}

Frame::Frame(QWidget* parent, const char* name, QSize requested, Colour colour)
    : QFrame(parent)
    , requested_(requested)
{
    setObjectName(QString::fromUtf8(name));
    setProperty("standard_colour", colour == Colour::standard);
}

QSize Frame::sizeHint() const
{
    const QLayout* grid = layout();
    return grid != nullptr && grid->count() > 1 ? grid->sizeHint() : requested_;
}

bool Frame::event(QEvent* event)
{
    // A placed frame has no layout above it to tell it its size: it follows its content itself.
    const bool handled = QFrame::event(event);
    if (placed_ && event->type() == QEvent::LayoutRequest)
        resize(sizeHint());
    return handled;
}

Option_Menu::Option_Menu(
    QWidget* parent, const char* name, const QStringList& values, const QFont& font, QSize size)
    : QPushButton(parent)
    , values_(values)
    , requested_(size)
{
    setObjectName(QString::fromUtf8(name));
    setAccessibleName(objectName());
    setFont(font);
    setFixedHeight(size.height());
    connect(this, &QPushButton::clicked, this,
        [this] { drop_down()->popup(mapToGlobal(rect().bottomLeft())); });
    if (!values.isEmpty())
        set(values.first());
}

QMenu* Option_Menu::drop_down()
{
    // Made on first use: under a style sheet Qt 6.4 keeps some memory for every menu it polishes,
    // and most menus of a settings dialog are never opened.
    if (menu_ == nullptr) {
        menu_ = new QMenu(this);
        for (const QString& value : values_)
            menu_->addAction(value, this, [this, value] { set(value); });
    }
    return menu_;
}

void Option_Menu::set(const QString& text)
{
    setText(text);
    setAccessibleDescription(text);
}

void Option_Menu::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF face = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath outline;
    outline.addRoundedRect(face, 6, 6);
    painter.fillPath(outline, QColor(0x1F6AA5));
    const qreal arrow_width = std::min<qreal>(height() + 4, width() / 3.0);
    QPainterPath arrow_square;
    arrow_square.addRect(face.adjusted(face.width() - arrow_width, 0, 0, 0));
    const QColor square = underMouse() ? QColor(0x203A4F) : QColor(0x144870);
    painter.fillPath(outline.intersected(arrow_square), square);
    painter.setPen(QPen(QColor(0xDCE4EE), 1.6));
    const QPointF centre(face.right() - arrow_width / 2, face.center().y());
    painter.drawPolyline(QPolygonF(
        {centre + QPointF(-3.5, -1.5), centre + QPointF(0, 2), centre + QPointF(3.5, -1.5)}));
    const QRect text_area = rect().adjusted(6, 0, -int(arrow_width) - 2, 0);
    painter.setFont(font());
    painter.drawText(text_area, Qt::AlignVCenter | Qt::AlignLeft,
        fontMetrics().elidedText(text(), Qt::ElideNone, text_area.width()));
}

QFont ctk_font(const QString& family, int pixel_size, bool bold)
{
    QFont font(family);
    font.setPixelSize(pixel_size);
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    return font;
}

QImage load_image(const std::string& path)
{
    // Reading a FIFO or a device would wait for ever, with the window not yet shown.
    const std::string local = platform::local_path(path);
    std::error_code unknown;
    if (!std::filesystem::is_regular_file(platform::native_path(local), unknown))
        throw std::runtime_error("cannot read image \"" + path + "\": not a regular file");
    QImageReader reader(QString::fromStdString(local));
    QImage image = reader.read();
    if (image.isNull())
        throw std::runtime_error(
            "cannot read image \"" + path + "\": " + reader.errorString().toStdString());
    return image;
}

QIcon full_colour_icon(const QImage& image, QSize size)
{
    const QPixmap pixmap
        = QPixmap::fromImage(image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    QIcon icon;
    icon.addPixmap(pixmap, QIcon::Normal);
    icon.addPixmap(pixmap, QIcon::Disabled);
    return icon;
}

void make_transparent(QPushButton* button)
{
    button->setProperty("transparent", true);
    button->style()->unpolish(button);
    button->style()->polish(button);
}

namespace {

const char* const dark_style_sheet = R"(
QFrame[standard_colour="true"] { background-color: #2B2B2B; border-radius: 6px; }
QLabel { color: #DCE4EE; }
QPushButton { background-color: #1F6AA5; color: #DCE4EE; border: none; border-radius: 6px;
              padding: 0px 4px; }
QPushButton:hover { background-color: #144870; }
QPushButton:disabled { color: #999999; }
QPushButton[transparent="true"] { background-color: transparent; }
QPushButton[transparent="true"]:hover:enabled { background-color: #144870; }
QLineEdit { background-color: #343638; color: #DCE4EE; border: 2px solid #565B5E;
            border-radius: 6px; padding: 0px 4px; selection-background-color: #1F6AA5; }
QMenu { background-color: #333333; color: #E5E5E5; border: none; padding: 2px; }
QMenu::item { padding: 4px 12px; }
QMenu::item:selected { background-color: #474747; }
)";

QPalette dark_palette()
{
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(0x242424));
    palette.setColor(QPalette::WindowText, QColor(0xDCE4EE));
    palette.setColor(QPalette::Base, QColor(0x343638));
    palette.setColor(QPalette::Text, QColor(0xDCE4EE));
    palette.setColor(QPalette::Button, QColor(0x1F6AA5));
    palette.setColor(QPalette::ButtonText, QColor(0xDCE4EE));
    palette.setColor(QPalette::PlaceholderText, QColor(0x9E9E9E));
    palette.setColor(QPalette::Highlight, QColor(0x1F6AA5));
    palette.setColor(QPalette::HighlightedText, QColor(0xDCE4EE));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x999999));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x999999));
    return palette;
}

} // namespace

void apply_dark_theme()
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(dark_palette());
    QFont font = QApplication::font();
    font.setPixelSize(13);
    QApplication::setFont(font);
    qApp->setStyleSheet(QString::fromLatin1(dark_style_sheet));
}
