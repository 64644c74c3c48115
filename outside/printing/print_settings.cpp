#include "print_settings.h"

#include <QSettings>
#include <QString>

namespace {

QSettings stored()
{
    return {QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("brintlow"),
        QStringLiteral("Pelderwick")};
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
    const auto found = formats.find(format);
    return found == formats.end() ? Format_Adjustment {} : found->second;
}

std::string stored_destination()
{
    return stored().value(QStringLiteral("destination/printer")).toString().toStdString();
}

bool store_destination(const std::string& printer)
{
    QSettings kept = stored();
    kept.setValue(QStringLiteral("destination/printer"), QString::fromStdString(printer));
    return written(kept);
}

Printer_Settings stored_settings(const std::string& printer)
{
    QSettings settings = stored();
    settings.beginGroup(group_of(printer));
    Printer_Settings read;
    read.source = Paper_Source(settings.value(QStringLiteral("paper_source"), 0).toInt());
    for (const QString& format : settings.childGroups()) {
        settings.beginGroup(format);
        read.formats[QByteArray::fromPercentEncoding(format.toUtf8()).toStdString()]
            = {settings.value(QStringLiteral("right_mm"), 0.0).toDouble(),
                settings.value(QStringLiteral("down_mm"), 0.0).toDouble(),
                settings.value(QStringLiteral("turned"), false).toBool()};
        settings.endGroup();
    }
    return read;
}

bool store_settings(const std::string& printer, const Printer_Settings& settings)
{
    QSettings kept = stored();
    kept.beginGroup(group_of(printer));
    kept.setValue(QStringLiteral("paper_source"), int(settings.source));
    for (const auto& [format, adjustment] : settings.formats) {
        kept.beginGroup(key_of(format));
        kept.setValue(QStringLiteral("right_mm"), adjustment.right_mm);
        kept.setValue(QStringLiteral("down_mm"), adjustment.down_mm);
        kept.setValue(QStringLiteral("turned"), adjustment.turned);
        kept.endGroup();
    }
    return written(kept);
}

std::string settings_place()
{
    return stored().fileName().toStdString();
}

bool told_about_printing()
{
    return stored().value(QStringLiteral("told/printing"), false).toBool();
}

void remember_told_about_printing()
{
    stored().setValue(QStringLiteral("told/printing"), true);
}
