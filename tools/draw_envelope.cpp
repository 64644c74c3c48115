// Draws one envelope into a PDF file, as the worker makes it.
// Usage: draw_envelope <file.pdf> <format 0-5> <ratio> <recipient> <address> [code]
//        [sender] [sender's address] [sender's code]

#include "envelope.h"
#include "request_fields.h"
#include "sample_request.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 6) {
        std::fputs("usage: draw_envelope FILE.pdf FORMAT RATIO RECIPIENT ADDRESS [CODE] [SENDER "
                   "[ADDRESS [CODE]]]\n",
            stderr);
        return 2;
    }
    const auto arg = [&](int i) { return std::string(i < argc ? argv[i] : ""); };
    Record request = sample_request(envelope_formats.at(std::size_t(std::stoi(arg(2)))), arg(4));
    request[request_key::size_ratio] = std::stod(arg(3));
    request[request_key::recipient_address] = arg(5);
    request[request_key::recipient_postal_code] = arg(6);
    if (argc > 7) {
        request[request_key::sender_name] = arg(7);
        request[request_key::sender_address] = arg(8);
        request[request_key::sender_postal_code] = arg(9);
    }
    std::vector<Warning> warnings;
    const QByteArray pdf = envelope_pdf(request, warnings);
    for (const Warning& warning : warnings)
        std::fprintf(stderr, "%s\n", warning.text.c_str());
    // What each text became, drawn once more where nobody sees it.
    const Envelope_Value value = read_envelope(request);
    QImage scratch(
        int(value.format.width_mm * 24), int(value.format.height_mm * 24), QImage::Format_ARGB32);
    QPainter painter(&scratch);
    Drawing_Report report;
    draw_envelope(painter, 600 / 25.4, value, &report);
    for (const Drawn_Text& text : report.texts)
        std::fprintf(stderr, "%d %.2f mm %s%s\n", int(text.part), text.size_mm,
            qPrintable(text.lines.join(QStringLiteral(" | "))), text.cut ? " (cut)" : "");
    QSaveFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::WriteOnly) || file.write(pdf) != pdf.size() || !file.commit()) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
