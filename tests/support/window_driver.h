#pragma once

// Drives the real window: runs GUI with a script scheduled inside its event loop, finds widgets
// by object name, and records what reaches the channels and standard output.

#include "capture.h"
#include "channels.h"
#include "main_window.h"

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class Option_Menu;

// Every channel operation in order, as "put get_receipt {...}", "put end null", "set end".
class Journal
{
public:
    void add(std::string entry);
    std::vector<std::string> entries() const;
    std::vector<Record> requests() const; // the records put on "get_receipt"
    void record_request(const Record& request);

private:
    mutable std::mutex mutex_;
    std::vector<std::string> entries_;
    std::vector<Record> requests_;
};

// Real channels that also write every operation of the window into a journal.
struct Recorded_Channels
{
    Recorded_Channels();
    std::shared_ptr<Journal> journal;
    Queue_Bundle queues;
    Event_Bundle events;
    std::shared_ptr<Std_Event> get_receipt_event; // the worker's side, driven by tests
    std::shared_ptr<Std_Queue> get_receipt_queue;
};

// A queue whose put throws on its k-th call (1-based); the others reach the journal.
std::shared_ptr<Queue> failing_queue(std::shared_ptr<Journal> journal, int failing_call);

// Runs GUI(queues, events); `script` gets the root window once the loop runs. The window is
// closed after the script unless the script closed it. Other settings (a shorter tick) run the
// same window through the internal entry.
void run_window(Queue_Bundle& queues, Event_Bundle& events,
    const std::function<void(QWidget* app)>& script, Window_Settings settings = {});
void run_window(Recorded_Channels& channels, const std::function<void(QWidget* app)>& script,
    Window_Settings settings = {});
// The same for the stand-alone entry, with its placeholder bundles.
void run_stand_alone_window(const std::function<void(QWidget* app)>& script);

template <typename Widget> Widget* find(QWidget* root, const QString& name)
{
    return root->findChild<Widget*>(name);
}

QLineEdit* cell(QWidget* app, const char* column, int row);
QLineEdit* field(QWidget* app, const char* label);
QPushButton* button(QWidget* app, const char* name);
void type_into(QLineEdit* edit, const QString& text);
void click(QPushButton* button);
QString output_caption(QWidget* app);

// The settings dialog that a click on the gear opened; nullptr when none appeared.
QWidget* open_dialog(QWidget* app);
// Picks the index-th value of an option menu as its drop-down list does.
void choose(Option_Menu* menu, int index);
