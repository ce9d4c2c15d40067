#include "MultiviewArt.h"

#include "ArtPalette.h"
#include "ArtWriter.h"

#include "protocol/LayoutCatalogue.h"
#include "protocol/ValueTables.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr double OuterMargin = 6.0;
constexpr double WindowGap = 5.0;
constexpr double WindowRadius = 6.0;

// The screen area inside the picture: as large as possible at exactly 16:9, centred.
QRectF screenArea()
{
    const double height = 2 * MultiviewArt::Height - 2 * OuterMargin;
    const double width = height * 16.0 / 9.0;
    return QRectF((2 * MultiviewArt::Width - width) / 2, OuterMargin, width, height);
}

QRectF toPixels(const QRectF &unit, const QRectF &area)
{
    return QRectF(area.x() + unit.x() * area.width(), area.y() + unit.y() * area.height(),
                  unit.width() * area.width(), unit.height() * area.height());
}

void drawNumber(QPainter &p, const QRectF &box, int number)
{
    const double side = qMin(box.width(), box.height());
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(qBound(14, int(side * 0.5), 84));
    font.setStyleStrategy(QFont::PreferAntialias);
    p.setFont(font);
    const QString text = QString::number(number);
    p.setPen(QColor(0, 0, 0, 60));
    p.drawText(box.translated(0, 2), Qt::AlignCenter, text);
    p.setPen(Qt::white);
    p.drawText(box, Qt::AlignCenter, text);
}

void drawWindowBody(QPainter &p, const QRectF &box, int index)
{
    const QColor base = ArtPalette::window(index);
    QLinearGradient fill(box.topLeft(), box.bottomLeft());
    fill.setColorAt(0, base.lighter(112));
    fill.setColorAt(1, base.darker(108));
    QPainterPath path;
    path.addRoundedRect(box, WindowRadius, WindowRadius);
    p.fillPath(path, fill);
    p.setPen(QPen(QColor(255, 255, 255, 40), 1));
    p.drawPath(path);
}

// Where window 1's number goes in a PIP picture: the centre of the widest free strip beside the small
// window, so the floating window never hides it.
QRectF freeStrip(const QRectF &full, const QRectF &small)
{
    const QRectF strips[] = {
        QRectF(full.left(), full.top(), small.left() - full.left(), full.height()),
        QRectF(small.right(), full.top(), full.right() - small.right(), full.height()),
        QRectF(full.left(), full.top(), full.width(), small.top() - full.top()),
        QRectF(full.left(), small.bottom(), full.width(), full.bottom() - small.bottom()),
    };
    QRectF best = strips[0];
    for (const QRectF &strip : strips) {
        if (qMin(strip.width(), strip.height()) > qMin(best.width(), best.height()))
            best = strip;
    }
    return best;
}

} // namespace

namespace MultiviewArt {

QImage drawLayout(const QVector<QRectF> &windows, bool floating, int scale)
{
    QImage image = ArtWriter::canvas(Width * scale, Height * scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(scale / 2.0, scale / 2.0);

    const QRectF area = screenArea();
    QPainterPath screen;
    screen.addRoundedRect(area.adjusted(-OuterMargin / 2, -OuterMargin / 2, OuterMargin / 2, OuterMargin / 2),
                          10, 10);
    p.fillPath(screen, ArtPalette::screen());
    p.setPen(QPen(ArtPalette::screenEdge(), 2));
    p.drawPath(screen);

    const double inset = WindowGap / 2;
    QVector<QRectF> boxes;
    for (const QRectF &unit : windows)
        boxes.append(toPixels(unit, area).adjusted(inset, inset, -inset, -inset));

    for (int i = 0; i < boxes.size(); ++i) {
        const bool onTop = floating && i == boxes.size() - 1;
        if (onTop) {
            QPainterPath shadow;
            shadow.addRoundedRect(boxes[i].translated(0, 3), WindowRadius, WindowRadius);
            p.fillPath(shadow, QColor(0, 0, 0, 90));
        }
        drawWindowBody(p, boxes[i], i);
        if (onTop) {
            p.setPen(QPen(QColor(0xF5, 0xF7, 0xFA), 2.5));
            p.setBrush(Qt::NoBrush);
            p.drawRoundedRect(boxes[i], WindowRadius, WindowRadius);
        }
    }
    for (int i = 0; i < boxes.size(); ++i) {
        QRectF numberBox = boxes[i];
        if (floating && i == 0 && boxes.size() > 1)
            numberBox = freeStrip(boxes[0], boxes.last());
        drawNumber(p, numberBox, i + 1);
    }
    return image;
}

void writeAll(ArtWriter &writer)
{
    const QString dir = QStringLiteral("/APP/Image/MultiView/");
    writer.saveBothScales(dir + QStringLiteral("SINGLE.png"), [](int scale) {
        return drawLayout(LayoutCatalogue::singleWindows(), false, scale);
    });

    for (quint32 position = 0; position < quint32(Tables::PipPositions.count); ++position) {
        for (quint32 size = 0; size < quint32(Tables::PipSizes.count); ++size) {
            const QString name = QStringLiteral("PIP_%1_%2.png")
                                     .arg(QString::fromLatin1(Tables::PipPositions.at(position)),
                                          QString::fromLatin1(Tables::PipSizes.at(size)));
            writer.saveBothScales(dir + name, [&](int scale) {
                return drawLayout(LayoutCatalogue::pipWindows(position, size), true, scale);
            });
        }
    }

    const char *const aspectNames[] = {"FULL", "169"};
    for (quint32 mode : {quint32(ModePbp), quint32(Mode3xWin), quint32(Mode4xWin)}) {
        const QString modeName = QString::fromLatin1(Tables::MultiviewModes.at(mode));
        for (quint32 layout = 0; layout < LayoutCatalogue::modeCount(mode); ++layout) {
            for (quint32 aspect = 0; aspect < 2; ++aspect) {
                const QString name = QStringLiteral("%1_%2_%3.png")
                                         .arg(modeName)
                                         .arg(layout + 1)
                                         .arg(QLatin1String(aspectNames[aspect]));
                writer.saveBothScales(dir + name, [&](int scale) {
                    return drawLayout(LayoutCatalogue::splitWindows(mode, layout, aspect), false, scale);
                });
            }
        }
    }
}

} // namespace MultiviewArt
