#pragma once

// The widget-model components the window is built from: the recipient table, the sender form
// and the button bar. Their widgets belong to the parent they are given.

#include "toolkit.h"

#include <QPointer>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QLineEdit;

// A table of editable text cells: columns are declared first, then the rows are built.
class Entry_Table
{
public:
    explicit Entry_Table(QWidget* parent);

    void add_entry_name(const std::string& header, int width);
    void add_table(int rows);
    // One sequence per column, each holding every row's text, top row first.
    std::vector<std::vector<std::string>> get() const;
    void delete_all();
    void update();

private:
    QPointer<QWidget> body_;
    std::vector<std::pair<std::string, int>> columns_;
    std::vector<std::vector<QPointer<QLineEdit>>> cells_; // [column][row]
};

// A form of labelled text fields; the label is the field's key.
class Set_Table
{
public:
    explicit Set_Table(QWidget* parent);

    void add_entry_name(const std::string& label);
    std::string get(const std::string& label) const; // throws std::out_of_range

private:
    QWidget* body_;
    std::vector<std::pair<std::string, QPointer<QLineEdit>>> fields_;
};

// Keyword options of one button, declared in the order callers pass them.
struct Button_Options
{
    std::optional<std::string> button_name {};
    std::optional<std::string> text {};
    std::optional<std::string> image_path {};
    std::function<void()> button_event {};
    std::optional<std::pair<int, int>> size {};
    std::optional<Pad> padx {};
    std::optional<Pad> pady {};
    std::optional<int> row {};
    std::optional<int> column {};
    std::optional<const char*> sticky {};
    std::optional<std::string> fg_color {};
    std::optional<int> width {};
    std::optional<int> corner_radius {};
};

// A bar of buttons found again by name. It needs no window to exist until its first button.
class Set_Button
{
public:
    Set_Button() = default;

    void add_button(QWidget* parent, const Button_Options& options);
    std::string cget(const std::string& button_name, const std::string& option) const;
    void configure(const std::string& button_name, const std::string& text);

private:
    QPushButton* button(const std::string& button_name) const;

    std::map<std::string, QPointer<QPushButton>> buttons_;
};
