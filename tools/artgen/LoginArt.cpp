#include "LoginArt.h"

#include "ArtPalette.h"
#include "ArtWriter.h"
#include "MultiviewArt.h"

#include "protocol/LayoutCatalogue.h"
#include "protocol/ValueTables.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

QFont textFont(int pixelSize, bool bold)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

// The largest font up to `pixelSize` whose rendering of `text` fits in `width`.
QFont fittingFont(const QString &text, int pixelSize, bool bold, double width)
{
    QFont font = textFont(pixelSize, bold);
    while (pixelSize > 8 && QFontMetricsF(font).horizontalAdvance(text) > width)
        font = textFont(--pixelSize, bold);
    return font;
}

// The design grid: twice the display size.
constexpr int GridWidth = 2 * LoginArt::Width;
constexpr int GridHeight = 2 * LoginArt::Height;

void drawBackground(QPainter &p)
{
    const QRectF all(0, 0, GridWidth, GridHeight);
    QLinearGradient sky(all.topLeft(), all.bottomRight());
    sky.setColorAt(0, QColor(0x16, 0x22, 0x38));
    sky.setColorAt(1, QColor(0x23, 0x44, 0x78));
    p.fillRect(all, sky);
    QRadialGradient glow(QPointF(470, 120), 300);
    glow.setColorAt(0, QColor(0x4C, 0x8E, 0xEE, 90));
    glow.setColorAt(1, QColor(0x4C, 0x8E, 0xEE, 0));
    p.fillRect(all, glow);
    // A faint diagonal sweep of lines for depth.
    p.setPen(QPen(QColor(255, 255, 255, 14), 2));
    for (int x = -GridHeight; x < GridWidth; x += 36)
        p.drawLine(QPointF(x, GridHeight), QPointF(x + GridHeight, 0));
}

void drawMonitor(QPainter &p, const QRectF &panel, int scale)
{
    // Stand and foot first so the panel covers their tops.
    const QPointF neckTop(panel.center().x(), panel.bottom());
    QPainterPath neck;
    neck.moveTo(neckTop.x() - 14, neckTop.y());
    neck.lineTo(neckTop.x() + 14, neckTop.y());
    neck.lineTo(neckTop.x() + 22, neckTop.y() + 34);
    neck.lineTo(neckTop.x() - 22, neckTop.y() + 34);
    neck.closeSubpath();
    p.fillPath(neck, QColor(0x9D, 0xB0, 0xCC));
    QPainterPath foot;
    foot.addRoundedRect(QRectF(neckTop.x() - 60, neckTop.y() + 32, 120, 10), 5, 5);
    p.fillPath(foot, QColor(0xC4, 0xD1, 0xE3));

    QPainterPath bezel;
    bezel.addRoundedRect(panel, 14, 14);
    p.fillPath(bezel.translated(0, 6), QColor(0, 0, 0, 70));
    p.fillPath(bezel, QColor(0x0E, 0x15, 0x20));
    p.setPen(QPen(QColor(0x6F, 0x8A, 0xB3), 2));
    p.drawPath(bezel);

    const QRectF inside = panel.adjusted(10, 10, -10, -10);
    const QImage layout = MultiviewArt::drawLayout(LayoutCatalogue::splitWindows(Mode4xWin, 1, 0), false, 2)
                              .scaled(int(inside.width() * scale / 2), int(inside.height() * scale / 2),
                                      Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    p.drawImage(inside, layout);
}

} // namespace

namespace LoginArt {

QImage drawLoginPicture(int scale)
{
    QImage image = ArtWriter::canvas(Width * scale, Height * scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.scale(scale / 2.0, scale / 2.0);
    drawBackground(p);
    drawMonitor(p, QRectF(336, 76, 272, 162), scale);

    const double textLeft = 40;
    const double textWidth = 270;
    const QString name = QStringLiteral("Lumaplex");
    p.setFont(fittingFont(name, 60, true, textWidth));
    p.setPen(Qt::white);
    p.drawText(QRectF(textLeft, 106, textWidth, 80), Qt::AlignLeft | Qt::AlignVCenter, name);

    p.fillRect(QRectF(textLeft + 2, 192, 56, 5), ArtPalette::accentLight());

    p.setPen(QColor(0xC3, 0xD0, 0xE4));
    const QString line1 = QStringLiteral("Multiviewer & KVM");
    const QString line2 = QStringLiteral("control");
    p.setFont(fittingFont(line1, 28, false, textWidth));
    p.drawText(QRectF(textLeft, 208, textWidth, 34), Qt::AlignLeft | Qt::AlignVCenter, line1);
    p.drawText(QRectF(textLeft, 242, textWidth, 34), Qt::AlignLeft | Qt::AlignVCenter, line2);
    return image;
}

void writeAll(ArtWriter &writer)
{
    writer.saveBothScales(QStringLiteral("/APP/Image/loginui_pic.png"), drawLoginPicture);
}

} // namespace LoginArt
