#include "envelope.h"

#include "file_names.h"
#include "platform.h"
#include "request_fields.h"

#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>
#include <stdexcept>
#include <string_view>

namespace {

std::string text_of(const Record& request, const char* key)
{
    return std::get<std::string>(request.at(key));
}

QString envelope_title(const Record& request)
{
    return QStringLiteral("信封 ")
        + QString::fromStdString(text_of(request, request_key::recipient_name));
}

} // namespace

QByteArray envelope_pdf(const Record& request, std::vector<Warning>& warnings)
{
    return envelope_pdf(read_envelope(request), envelope_title(request), warnings);
}

QByteArray envelope_pdf(
    const Envelope_Value& envelope, const QString& title, std::vector<Warning>& warnings)
{
    const Envelope_Format& format = envelope.format;
    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(600);
    writer.setPageSize(QPageSize(QSizeF(format.width_mm, format.height_mm), QPageSize::Millimeter,
        QString(), QPageSize::ExactMatch));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setTitle(title);
    QPainter painter(&writer);
    if (!painter.isActive())
        throw std::runtime_error("cannot start the envelope's PDF");
    const std::vector<Warning> drawn = draw_envelope(painter, writer.resolution() / 25.4, envelope);
    warnings.insert(warnings.end(), drawn.begin(), drawn.end());
    if (!painter.end())
        throw std::runtime_error("cannot finish the envelope's PDF");
    return pdf;
}

Envelope make_envelope(const Record& request)
{
    return make_envelope(request, read_envelope(request)); // an unknown format makes no folder
}

Envelope make_envelope(const Record& request, const Envelope_Value& value)
{
    const std::string folder = platform::local_path(text_of(request, request_key::folder));
    platform::make_output_folder(folder);
    Envelope envelope;
    const QByteArray pdf = envelope_pdf(value, envelope_title(request), envelope.warnings);
    platform::Unpublished_File file(folder);
    file.write(std::string_view(pdf.constData(), std::size_t(pdf.size())));
    const std::string stem = envelope_stem(text_of(request, request_key::recipient_name));
    for (int n = 1; n <= 10000; ++n) {
        envelope.name = stem + (n == 1 ? "" : "-" + std::to_string(n)) + ".pdf";
        if (file.publish(envelope.name)) {
            envelope.path = (folder.ends_with('/') ? folder : folder + "/") + envelope.name;
            return envelope;
        }
    }
    throw std::runtime_error("no free name for the envelope in " + folder);
}
