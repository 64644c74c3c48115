// Preloaded into the real host by the fault tests (LD_PRELOAD), so that the host runs unchanged:
// once the window is shown it fills the seven recipient rows, presses "輸出單據" PROBE_PRESSES
// times (one press per turn of the event loop), says "probe: pressed <n>" on standard error and,
// with PROBE_CLOSE set, closes the window. PROBE_ADDRESS_BYTES makes every address about that
// long, for long lines in the log; PROBE_NAME_CHARACTERS every name that many characters.
// With PROBE_SETTINGS set it looks for the print settings' window instead: says
// "probe: settings shown after <ms> ms" once it is shown, "probe: settings say <text>" once its
// foot says something (with PROBE_PICTURE, once it has the printers, saving a picture of it
// there), and closes it.

#include "request_fields.h"
#include "root_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <string>
#include <unistd.h>

namespace {

void fill_rows(QWidget* app)
{
    const int address_bytes = qEnvironmentVariableIntValue("PROBE_ADDRESS_BYTES");
    for (int row = 0; row < 7; ++row) {
        auto cell = [&](const char* column) {
            return app->findChild<QLineEdit*>(QString::fromStdString(cell_name(column, row)));
        };
        QString name = QStringLiteral("收件人%1").arg(row + 1);
        const int name_characters = qEnvironmentVariableIntValue("PROBE_NAME_CHARACTERS");
        if (name.size() < name_characters)
            name += QString(name_characters - name.size(), QChar(u'名'));
        cell(request_key::recipient_name)->setText(name);
        cell(request_key::recipient_postal_code)->setText(QStringLiteral("106"));
        QString address = QStringLiteral("臺北市大安區復興南路一段%1號").arg(row + 1);
        while (address.toUtf8().size() < address_bytes)
            address += QStringLiteral("一二三四五六七八九十");
        cell(request_key::recipient_address)->setText(address);
    }
}

void say(const std::string& line)
{
    const std::string text = line + "\n";
    [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, text.data(), text.size());
}

void press(QWidget* app, int left, int done)
{
    if (left == 0) {
        say("probe: pressed " + std::to_string(done));
        if (qEnvironmentVariableIsSet("PROBE_CLOSE"))
            app->close();
        return;
    }
    app->findChild<QPushButton*>(QString::fromUtf8(output_button))->click();
    QTimer::singleShot(0, app, [=] { press(app, left - 1, done + 1); });
}

void when_shown()
{
    QWidget* app = shown_root_window();
    if (app == nullptr) {
        QTimer::singleShot(20, qApp, when_shown);
        return;
    }
    fill_rows(app);
    press(app, qEnvironmentVariableIntValue("PROBE_PRESSES"), 0);
}

QElapsedTimer since_start;

void when_settings_say(QWidget* settings)
{
    auto* status = settings->findChild<QLabel*>(QStringLiteral("status"));
    auto* printers = settings->findChild<QWidget*>(QStringLiteral("printer"));
    const QString picture = qEnvironmentVariable("PROBE_PICTURE");
    // With a picture asked for: once the printers are there; else once the foot says something.
    const bool ready = picture.isEmpty() ? status != nullptr && !status->text().isEmpty()
                                         : printers != nullptr && printers->isEnabled();
    if (!ready) {
        QTimer::singleShot(50, settings, [settings] { when_settings_say(settings); });
        return;
    }
    if (!picture.isEmpty())
        settings->grab().save(picture);
    say("probe: settings say " + status->text().toStdString());
    settings->close();
}

void when_settings_shown()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QLatin1String("print_settings") && widget->isVisible()) {
            say("probe: settings shown after " + std::to_string(since_start.elapsed()) + " ms");
            when_settings_say(widget);
            return;
        }
    }
    QTimer::singleShot(20, qApp, when_settings_shown);
}

void start()
{
    since_start.start();
    QTimer::singleShot(
        0, qApp, qEnvironmentVariableIsSet("PROBE_SETTINGS") ? when_settings_shown : when_shown);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(start)
