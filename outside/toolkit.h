#pragma once

// The widget toolkit's vocabulary in Qt: grid and place geometry with per-widget padding and
// "sticky", frames with a requested size, the option menu, images, fonts and the dark theme.

#include <QFrame>
#include <QImage>
#include <QPushButton>
#include <QStringList>
#include <string>

class QMenu;

// A pad is one number for both sides or a (before, after) pair.
struct Pad
{
    Pad(int both = 0)
        : before(both)
        , after(both)
    { }
    Pad(int before_, int after_)
        : before(before_)
        , after(after_)
    { }
    int before;
    int after;
};

struct Grid
{
    int row = 0;
    int column = 0;
    int rowspan = 1;
    int columnspan = 1;
    Pad padx {};
    Pad pady {};
    const char* sticky = "";
};

// Places a widget in its parent's grid the way the toolkit does: the cell is as large as its
// largest content, the widget keeps its own size unless sticky stretches it, pads are its own,
// several widgets may share a cell, and unweighted cells keep to the top left.
void grid(QWidget* widget, const Grid& cell);
void columnconfigure(QWidget* parent, int column, int weight);

// The next free row of column 0 in the parent's grid: where a widget without a row goes.
int next_free_row(QWidget* parent);

// A fixed position in the parent, outside any layout, at the widget's own size.
void place(QWidget* widget, int x, int y);

// A frame of the requested size that shrinks or grows to the widgets gridded into it.
class Frame : public QFrame
{
    Q_OBJECT
public:
    enum class Colour { transparent, standard };
    Frame(QWidget* parent, const char* name, QSize requested, Colour colour);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    void set_placed() { placed_ = true; }

protected:
    bool event(QEvent* event) override;

private:
    QSize requested_;
    bool placed_ = false;
};

// A button that shows its current text and drops down a menu of values. Unlike a combo box it
// shows any text it is set to; get() returns exactly what it shows. Its requested width never
// follows the text; only "sticky" stretches it.
class Option_Menu : public QPushButton
{
    Q_OBJECT
public:
    Option_Menu(QWidget* parent, const char* name, const QStringList& values, const QFont& font,
        QSize size);

    QSize sizeHint() const override { return requested_; }
    QSize minimumSizeHint() const override { return requested_; }
    void set(const QString& text);
    QString get() const { return text(); }
    QStringList values() const { return values_; }
    QMenu* drop_down();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QStringList values_;
    QMenu* menu_ = nullptr;
    QSize requested_;
};

// A font of the given family, pixel size and weight; a missing family falls back as Qt does.
QFont ctk_font(const QString& family, int pixel_size, bool bold);

// Reads an image file; throws std::runtime_error with the reason when it cannot be read.
QImage load_image(const std::string& path);

// A button face that shows its image in full colour also when disabled.
QIcon full_colour_icon(const QImage& image, QSize size);

// Marks a button as having no face of its own ("transparent"): it hovers like the others.
void make_transparent(QPushButton* button);

// The dark mode of the "blue" theme: Fusion style, a dark palette and one style sheet.
void apply_dark_theme();
