#include "print_settings.h"

#include "formats.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QString>
#include <cmath>
#include <memory>

namespace {

// The settings' file as it was found the first time this process looked: a file that is not a
// regular one (a FIFO would hold the reading for ever) is neither read nor written; one whose
// content cannot be read is kept aside as ".bad" and the settings start anew. The registry on
// Windows has no file to look at.
struct Settings_Check
{
    bool usable = true;
    std::string trouble; // what the user is told, once
};

[[maybe_unused]] bool readable(const QString& path)
{
    QSettings settings(path, QSettings::IniFormat);
    settings.allKeys(); // the file is read at the first question
    return settings.status() != QSettings::FormatError;
}

const Settings_Check& checked()
{
    static const Settings_Check check = [] {
        Settings_Check found;
#ifndef Q_OS_WIN
        const QString path = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
            + QStringLiteral("/brintlow/Pelderwick.conf");
        const QFileInfo file(path);
        if (file.exists() && !file.isFile())
            return Settings_Check {false,
                "列印設定檔不是一般的檔案，這次不讀也不寫，用預設的列印設定："
                    + path.toStdString()};
        if (file.exists() && !readable(path)) {
            const QString aside = path + QStringLiteral(".bad");
            QFile::remove(aside);
            if (!QFile::rename(path, aside))
                return Settings_Check {
                    false, "列印設定檔壞了，也無法改名留著，這次不讀也不寫：" + path.toStdString()};
            found.trouble
                = "列印設定檔壞了，已改名為 " + aside.toStdString() + " 留著，這次用預設的列印設定";
        }
#endif
        return found;
    }();
    return check;
}

// The settings, or nothing where their file is not to be touched.
std::unique_ptr<QSettings> stored()
{
    if (!checked().usable)
        return nullptr;
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
        QStringLiteral("brintlow"), QStringLiteral("Pelderwick"));
}

// A printer's group: its name made a key (QSettings reads "/" and "\" as separators).
QString group_of(const std::string& printer)
{
    return QStringLiteral("printers/")
        + QString::fromUtf8(QByteArray::fromStdString(printer).toPercentEncoding());
}

bool written(QSettings& settings)
{
    settings.sync();
    return settings.status() == QSettings::NoError;
}

QString key_of(const std::string& format)
{
    return QString::fromUtf8(QByteArray::fromStdString(format).toPercentEncoding());
}

} // namespace

Format_Adjustment Printer_Settings::adjustment(const std::string& format) const
{
    const auto found = formats.find(format_key(format));
    return found == formats.end() ? Format_Adjustment {} : found->second;
}

void Printer_Settings::set(const std::string& format, const Format_Adjustment& adjustment)
{
    formats[format_key(format)] = adjustment;
}

std::string stored_destination()
{
    const auto settings = stored();
    return settings
        ? settings->value(QStringLiteral("destination/printer")).toString().toStdString()
        : std::string();
}

bool store_destination(const std::string& printer)
{
    const auto kept = stored();
    if (!kept)
        return false;
    kept->setValue(QStringLiteral("destination/printer"), QString::fromStdString(printer));
    return written(*kept);
}

Printer_Settings stored_settings(const std::string& printer)
{
    Printer_Settings read;
    const auto settings = stored();
    if (!settings)
        return read;
    settings->beginGroup(group_of(printer));
    const int source = settings->value(QStringLiteral("paper_source"), 0).toInt();
    read.source = source >= 0 && source <= int(Paper_Source::manual) ? Paper_Source(source)
                                                                     : Paper_Source::automatic;
    const QStringList groups = settings->childGroups();
    for (const QString& group : groups) {
        // Kept by the format's menu text before, by its identity now: the identity's wins.
        const std::string text = QByteArray::fromPercentEncoding(group.toUtf8()).toStdString();
        const std::string key = format_key(text);
        if (key != text && groups.contains(key_of(key)))
            continue;
        settings->beginGroup(group);
        const auto shift = [&](const char* name, const char* words) {
            bool number = false;
            const double mm = settings->value(QString::fromLatin1(name)).toDouble(&number);
            if (!settings->contains(QString::fromLatin1(name))
                || (number && std::isfinite(mm) && std::abs(mm) <= largest_shift_mm))
                return number ? mm : 0.0;
            read.refused.push_back("列印設定裡印表機「" + printer + "」「" + format_text(key)
                + "」的" + words + " "
                + settings->value(QString::fromLatin1(name)).toString().toStdString()
                + " 公釐不合理（可以是 -30 到 30），改用 0");
            return 0.0;
        };
        read.formats[key] = {shift("right_mm", "向右移"), shift("down_mm", "向下移"),
            settings->value(QStringLiteral("turned"), false).toBool()};
        settings->endGroup();
    }
    return read;
}

bool store_settings(const std::string& printer, const Printer_Settings& settings)
{
    const auto kept = stored();
    if (!kept)
        return false;
    kept->beginGroup(group_of(printer));
    kept->setValue(QStringLiteral("paper_source"), int(settings.source));
    for (const auto& [format, adjustment] : settings.formats) {
        kept->remove(key_of(format_text(format))); // as it was kept before
        kept->beginGroup(key_of(format));
        kept->setValue(QStringLiteral("right_mm"), adjustment.right_mm);
        kept->setValue(QStringLiteral("down_mm"), adjustment.down_mm);
        kept->setValue(QStringLiteral("turned"), adjustment.turned);
        kept->endGroup();
    }
    return written(*kept);
}

std::string settings_place()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("brintlow"),
        QStringLiteral("Pelderwick"))
        .fileName()
        .toStdString();
}

std::string settings_trouble()
{
    return checked().trouble;
}

bool print_settings_seen()
{
    const auto settings = stored();
    return settings && settings->value(QStringLiteral("seen/print_settings"), false).toBool();
}

void remember_print_settings_seen()
{
    if (const auto settings = stored())
        settings->setValue(QStringLiteral("seen/print_settings"), true);
}

std::unique_ptr<QSettings> program_settings()
{
    return stored();
}
