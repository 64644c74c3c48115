// Draws the template folder's icon and images: the project's own artwork.
// Usage: draw_templates <folder>

#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <cstdio>

namespace {

const QColor blue(0x1F6AA5);
const QColor light(0xDCE4EE);

QImage canvas(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

void envelope(QPainter& p, QRectF r, const QColor& paper, const QColor& line)
{
    p.setPen(Qt::NoPen);
    p.setBrush(paper);
    p.drawRoundedRect(r, r.width() * 0.06, r.width() * 0.06);
    p.setPen(QPen(line, r.width() * 0.07, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({r.topLeft() + QPointF(r.width() * 0.08, r.height() * 0.12),
        QPointF(r.center().x(), r.top() + r.height() * 0.62),
        r.topRight() + QPointF(-r.width() * 0.08, r.height() * 0.12)}));
}

QImage logo(int size)
{
    QImage image = canvas(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(blue);
    p.drawEllipse(QRectF(0, 0, size, size));
    envelope(p, QRectF(size * 0.24, size * 0.32, size * 0.52, size * 0.36), Qt::white, blue);
    return image;
}

QImage lettering()
{
    QImage image = canvas(480, 120);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(image.rect(), blue);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(54);
    font.setBold(true);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 4);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(image.rect(), Qt::AlignCenter, QStringLiteral("PELDERWICK"));
    return image;
}

QImage gear()
{
    QImage image = canvas(128, 128);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(64, 64);
    QPainterPath teeth;
    for (int i = 0; i < 8; ++i) {
        QTransform turn;
        turn.rotate(i * 45.0);
        QPainterPath tooth;
        tooth.addRoundedRect(QRectF(-11, -60, 22, 30), 4, 4);
        teeth.addPath(turn.map(tooth));
    }
    QPainterPath body;
    body.addEllipse(QPointF(0, 0), 44, 44);
    QPainterPath hole;
    hole.addEllipse(QPointF(0, 0), 18, 18);
    p.fillPath(teeth.united(body).subtracted(hole), light);
    return image;
}

QImage folder()
{
    QImage image = canvas(128, 128);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xE0A526));
    p.drawRoundedRect(QRectF(8, 22, 50, 24), 6, 6);
    p.drawRoundedRect(QRectF(8, 32, 112, 78), 8, 8);
    p.setBrush(QColor(0xF5C542));
    p.drawRoundedRect(QRectF(8, 46, 112, 64), 8, 8);
    return image;
}

QImage trash_can()
{
    QImage image = canvas(128, 128);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(light);
    p.drawRoundedRect(QRectF(46, 8, 36, 14), 4, 4);
    p.drawRoundedRect(QRectF(16, 18, 96, 14), 4, 4);
    QPainterPath bin;
    bin.moveTo(24, 38);
    bin.lineTo(104, 38);
    bin.lineTo(96, 120);
    bin.lineTo(32, 120);
    bin.closeSubpath();
    p.drawPath(bin);
    p.setPen(QPen(QColor(0x2B2B2B), 7, Qt::SolidLine, Qt::RoundCap));
    for (qreal x : {46.0, 64.0, 82.0})
        p.drawLine(QPointF(x, 52), QPointF(x, 106));
    return image;
}

QImage question_mark()
{
    QImage image = canvas(128, 128);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(light, 9));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(8, 8, 112, 112));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(80);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRectF(8, 8, 112, 112), Qt::AlignCenter, QStringLiteral("?"));
    return image;
}

bool save(const QImage& image, const QString& path, const char* format)
{
    QImageWriter writer(path, format);
    if (writer.write(image))
        return true;
    std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(writer.errorString()));
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: draw_templates <folder>\n");
        return 2;
    }
    const QString folder_path = QString::fromLocal8Bit(argv[1]) + QLatin1Char('/');
    bool ok = save(logo(64), folder_path + QStringLiteral("logo.ico"), "ico");
    ok = save(logo(256), folder_path + QStringLiteral("logo.png"), "png") && ok;
    ok = save(lettering(), folder_path + QStringLiteral("logo(僅文字).png"), "png") && ok;
    ok = save(gear(), folder_path + QStringLiteral("齒輪.png"), "png") && ok;
    ok = save(folder(), folder_path + QStringLiteral("資料夾.png"), "png") && ok;
    ok = save(trash_can(), folder_path + QStringLiteral("垃圾桶.png"), "png") && ok;
    ok = save(question_mark(), folder_path + QStringLiteral("問號001.png"), "png") && ok;
    return ok ? 0 : 1;
}
