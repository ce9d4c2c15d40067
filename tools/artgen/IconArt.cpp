#include "IconArt.h"

#include "ArtPalette.h"
#include "ArtWriter.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

QPainterPath roundedSquare(const QRectF &box, double radius)
{
    QPainterPath path;
    path.addRoundedRect(box, radius, radius);
    return path;
}

// A circular badge with a soft top-to-bottom shading, filling the canvas except a thin rim.
void drawDisc(QPainter &p, double size, const QColor &colour)
{
    const QRectF disc(size * 0.04, size * 0.04, size * 0.92, size * 0.92);
    QLinearGradient fill(disc.topLeft(), disc.bottomLeft());
    fill.setColorAt(0, colour.lighter(115));
    fill.setColorAt(1, colour.darker(110));
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawEllipse(disc);
}

} // namespace

namespace IconArt {

QImage drawLogo(int size, double margin)
{
    QImage image = ArtWriter::canvas(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // The badge is designed for a 0.68 share of the canvas; `k` stretches that design to the badge asked for.
    const double k = (1 - 2 * margin) / 0.68;
    const double s = size * k;
    const QRectF badge(size * margin, size * margin, s * 0.68, s * 0.68);
    QLinearGradient fill(badge.topLeft(), badge.bottomRight());
    fill.setColorAt(0, ArtPalette::accentLight());
    fill.setColorAt(1, ArtPalette::accentDark());
    p.fillPath(roundedSquare(badge, s * 0.16), fill);

    // The multiview motif: one large window and three stacked small ones.
    const QRectF screen = badge.adjusted(s * 0.12, s * 0.17, -s * 0.12, -s * 0.17);
    const double gap = s * 0.025;
    const double bigWidth = (screen.width() - gap) * 2.0 / 3.0;
    const double smallWidth = screen.width() - gap - bigWidth;
    const double smallHeight = (screen.height() - 2 * gap) / 3.0;
    const double radius = s * 0.02;
    p.fillPath(roundedSquare(QRectF(screen.left(), screen.top(), bigWidth, screen.height()), radius),
               QColor(255, 255, 255, 240));
    for (int i = 0; i < 3; ++i) {
        const QRectF small(screen.left() + bigWidth + gap, screen.top() + i * (smallHeight + gap), smallWidth,
                           smallHeight);
        p.fillPath(roundedSquare(small, radius), QColor(255, 255, 255, 150 + 35 * i));
    }
    return image;
}

QImage drawMessageIcon(int size)
{
    QImage image = ArtWriter::canvas(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size;
    drawDisc(p, s, ArtPalette::accent());
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(s * 0.5, s * 0.29), s * 0.075, s * 0.075);
    p.drawRoundedRect(QRectF(s * 0.43, s * 0.42, s * 0.14, s * 0.35), s * 0.05, s * 0.05);
    return image;
}

QImage drawStatus(int size, bool ok)
{
    QImage image = ArtWriter::canvas(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size;
    drawDisc(p, s, ok ? ArtPalette::success() : ArtPalette::failure());
    QPen pen(Qt::white, s * 0.11, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    if (ok) {
        QPainterPath check;
        check.moveTo(s * 0.29, s * 0.52);
        check.lineTo(s * 0.44, s * 0.67);
        check.lineTo(s * 0.72, s * 0.36);
        p.drawPath(check);
    } else {
        p.drawLine(QPointF(s * 0.34, s * 0.34), QPointF(s * 0.66, s * 0.66));
        p.drawLine(QPointF(s * 0.66, s * 0.34), QPointF(s * 0.34, s * 0.66));
    }
    return image;
}

QImage drawTitleGlyph(int size, Glyph glyph)
{
    QImage image = ArtWriter::canvas(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // Designed on a 48-unit grid; strokes are 3 units wide and centred on half units so they stay crisp.
    p.scale(size / 48.0, size / 48.0);
    p.setPen(QPen(ArtPalette::titleGlyph(), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    switch (glyph) {
    case Glyph::Minimise:
        p.drawLine(QPointF(14.5, 24.5), QPointF(33.5, 24.5));
        break;
    case Glyph::Maximise:
        p.drawRoundedRect(QRectF(15.5, 15.5, 17, 17), 2, 2);
        break;
    case Glyph::Restore: {
        p.drawRoundedRect(QRectF(14.5, 19.5, 14, 14), 2, 2);
        QPainterPath back;
        back.moveTo(19.5, 15.5);
        back.lineTo(31.5, 15.5);
        back.quadTo(33.5, 15.5, 33.5, 17.5);
        back.lineTo(33.5, 29.5);
        p.drawPath(back);
        break;
    }
    case Glyph::Close:
        p.drawLine(QPointF(16.5, 16.5), QPointF(31.5, 31.5));
        p.drawLine(QPointF(31.5, 16.5), QPointF(16.5, 31.5));
        break;
    }
    return image;
}

// Sizes at scale 1 follow the places the pictures are shown in: the 48-pixel title bar, the 96-pixel link
// status label, the 24-pixel title-bar button icons, a 48-pixel message box icon, a 64-pixel window icon.
void writeAll(ArtWriter &writer)
{
    const auto logo = [](int scale) { return drawLogo(48 * scale); };
    writer.saveBothScales(QStringLiteral("/APP/Image/loginui_logo.png"), logo);
    writer.saveBothScales(QStringLiteral("/APP/Image/mainui_logo.png"), logo);
    writer.saveBothScales(QStringLiteral("/TitleBar/Image/App.png"), logo);
    writer.saveBothScales(QStringLiteral("/APP/Image/lumaplex.png"),
                          [](int scale) { return drawLogo(64 * scale, 0.06); });
    writer.saveBothScales(QStringLiteral("/APP/Image/MessageShow_pic.png"),
                          [](int scale) { return drawMessageIcon(48 * scale); });
    writer.saveBothScales(QStringLiteral("/APP/Image/success.png"),
                          [](int scale) { return drawStatus(96 * scale, true); });
    writer.saveBothScales(QStringLiteral("/APP/Image/fail.png"),
                          [](int scale) { return drawStatus(96 * scale, false); });
    const struct
    {
        const char *name;
        Glyph glyph;
    } glyphs[] = {{"MinSize", Glyph::Minimise},
                  {"MaxSize", Glyph::Maximise},
                  {"NormalSize", Glyph::Restore},
                  {"Close", Glyph::Close}};
    for (const auto &glyph : glyphs) {
        writer.saveBothScales(QStringLiteral("/TitleBar/Image/%1.png").arg(QLatin1String(glyph.name)),
                              [&](int scale) { return drawTitleGlyph(24 * scale, glyph.glyph); });
    }
}

void writeThemeIcons(ArtWriter &writer)
{
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256, 512})
        writer.save(QStringLiteral("/hicolor/%1x%1/apps/lumaplex.png").arg(size), drawLogo(size, 0.06));
}

} // namespace IconArt
