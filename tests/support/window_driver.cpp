#include "window_driver.h"

#include "gui.h"
#include "main_window.h"
#include "request_fields.h"
#include "root_window.h"
#include "toolkit.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <stdexcept>

void Journal::add(std::string entry)
{
    std::lock_guard lock(mutex_);
    entries_.push_back(std::move(entry));
}

std::vector<std::string> Journal::entries() const
{
    std::lock_guard lock(mutex_);
    return entries_;
}

std::vector<Record> Journal::requests() const
{
    std::lock_guard lock(mutex_);
    return requests_;
}

namespace {

class Recording_Queue final : public Queue
{
public:
    Recording_Queue(std::string name, std::shared_ptr<Journal> journal,
        std::shared_ptr<Std_Queue> inner, int failing_call = 0)
        : name_(std::move(name))
        , journal_(std::move(journal))
        , inner_(std::move(inner))
        , failing_call_(failing_call)
    { }

    void put(Item item) override
    {
        if (++calls_ == failing_call_)
            throw std::runtime_error("queue full");
        journal_->add("put " + name_ + " " + (item ? to_json_line(*item) : "null"));
        if (item)
            journal_->record_request(*item);
        inner_->put(std::move(item));
    }
    Item take() override { return inner_->take(); }
    std::optional<Item> try_take(std::chrono::milliseconds timeout) override
    {
        return inner_->try_take(timeout);
    }

private:
    std::string name_;
    std::shared_ptr<Journal> journal_;
    std::shared_ptr<Std_Queue> inner_;
    int failing_call_;
    int calls_ = 0;
};

class Recording_Event final : public Event
{
public:
    Recording_Event(
        std::string name, std::shared_ptr<Journal> journal, std::shared_ptr<Std_Event> inner)
        : name_(std::move(name))
        , journal_(std::move(journal))
        , inner_(std::move(inner))
    { }

    bool is_set() const override { return inner_->is_set(); }
    void set() override
    {
        journal_->add("set " + name_);
        inner_->set();
    }
    void clear() override { inner_->clear(); }
    bool wait(std::chrono::milliseconds timeout) const override { return inner_->wait(timeout); }

private:
    std::string name_;
    std::shared_ptr<Journal> journal_;
    std::shared_ptr<Std_Event> inner_;
};

} // namespace

void Journal::record_request(const Record& request)
{
    std::lock_guard lock(mutex_);
    requests_.push_back(request);
}

Recorded_Channels::Recorded_Channels()
    : journal(std::make_shared<Journal>())
    , get_receipt_event(std::make_shared<Std_Event>())
    , get_receipt_queue(std::make_shared<Std_Queue>())
{
    queues.add("get_receipt",
        std::make_shared<Recording_Queue>("get_receipt", journal, get_receipt_queue));
    queues.add(
        "end", std::make_shared<Recording_Queue>("end", journal, std::make_shared<Std_Queue>()));
    events.add("get_receipt",
        std::make_shared<Recording_Event>("get_receipt", journal, get_receipt_event));
    events.add(
        "end", std::make_shared<Recording_Event>("end", journal, std::make_shared<Std_Event>()));
}

std::shared_ptr<Queue> failing_queue(std::shared_ptr<Journal> journal, int failing_call)
{
    return std::make_shared<Recording_Queue>(
        "get_receipt", std::move(journal), std::make_shared<Std_Queue>(), failing_call);
}

namespace {

QtMessageHandler previous_handler = nullptr;

// The offscreen platform warns about every fixed-size window; that line would land in the
// standard output that the tests read.
void drop_fixed_size_warning(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (!text.contains(QLatin1String("propagateSizeHints")) && previous_handler != nullptr)
        previous_handler(type, context, text);
}

// Runs `script` on the shown window from inside the event loop `enter` starts. A window that is
// not there fails the test at once and removes every window, so that the loop ends instead of
// waiting for the test's timeout.
void drive(const std::function<void(QWidget* app)>& script, const std::function<void()>& enter)
{
    if (previous_handler == nullptr)
        previous_handler = qInstallMessageHandler(drop_fixed_size_warning);
    QTimer::singleShot(0, qApp, [script] {
        QPointer<QWidget> app = shown_root_window();
        if (app.isNull()) {
            QTest::qFail("the main window is not shown", __FILE__, __LINE__);
            for (QWidget* window : QApplication::topLevelWidgets())
                window->deleteLater();
            return;
        }
        script(app);
        if (!app.isNull())
            app->close();
    });
    enter();
}

} // namespace

void run_window(Queue_Bundle& queues, Event_Bundle& events,
    const std::function<void(QWidget* app)>& script, Window_Settings settings)
{
    drive(script, [&] {
        if (settings.stand_alone || settings.tick_ms != Window_Settings().tick_ms)
            run_main_window(queues, events, settings);
        else
            GUI(queues, events);
    });
}

void run_window(Recorded_Channels& channels, const std::function<void(QWidget* app)>& script,
    Window_Settings settings)
{
    run_window(channels.queues, channels.events, script, settings);
}

void run_stand_alone_window(const std::function<void(QWidget* app)>& script)
{
    drive(script, [] { run_stand_alone(); });
}

QLineEdit* cell(QWidget* app, const char* column, int row)
{
    return find<QLineEdit>(app, QString::fromStdString(cell_name(column, row)));
}

QLineEdit* field(QWidget* app, const char* label)
{
    return find<QLineEdit>(app, QString::fromUtf8(label));
}

QPushButton* button(QWidget* app, const char* name)
{
    return find<QPushButton>(app, QString::fromUtf8(name));
}

void type_into(QLineEdit* edit, const QString& text)
{
    if (edit == nullptr)
        throw std::invalid_argument("no such field");
    edit->setFocus();
    // ASCII comes from the keyboard; everything else is committed as an input method does.
    for (const uint code_point : text.toUcs4()) {
        if (code_point >= 0x20 && code_point < 0x7f) {
            QTest::keyClick(edit, static_cast<char>(code_point));
        } else {
            QInputMethodEvent commit;
            commit.setCommitString(
                QString::fromUcs4(reinterpret_cast<const char32_t*>(&code_point), 1));
            QApplication::sendEvent(edit, &commit);
        }
    }
}

void click(QPushButton* target)
{
    if (target == nullptr)
        throw std::invalid_argument("no such button");
    QTest::mouseClick(target, Qt::LeftButton);
}

QString output_caption(QWidget* app)
{
    return button(app, output_button)->text();
}

QWidget* open_dialog(QWidget* app)
{
    const auto before = app->findChildren<QWidget*>(QStringLiteral("setting_window"));
    click(button(app, "齒輪.png"));
    for (QWidget* dialog : app->findChildren<QWidget*>(QStringLiteral("setting_window"))) {
        if (!before.contains(dialog))
            return dialog;
    }
    return nullptr;
}

void choose(Option_Menu* menu, int index)
{
    menu->drop_down()->actions().at(index)->trigger();
}
