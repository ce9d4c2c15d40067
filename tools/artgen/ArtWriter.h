#pragma once

#include <QImage>
#include <QString>

#include <functional>

// Saves the drawn pictures as PNG files below the output directory and counts what it wrote.
class ArtWriter
{
public:
    explicit ArtWriter(const QString &outputDir);

    // `relative` starts with "/", e.g. "/APP/Image/fail.png". Returns false when the file could not be
    // written.
    bool save(const QString &relative, const QImage &image);
    // A picture for normal and for high-density screens: `draw(1)` as "name.png" and `draw(2)`, twice the
    // size in each direction, as "name@2x.png" beside it (the program picks one by device pixel ratio).
    void saveBothScales(const QString &relative, const std::function<QImage(int scale)> &draw);

    int written() const { return writtenCount; }
    int failed() const { return failedCount; }

    // A transparent canvas of the given size, ready for QPainter.
    static QImage canvas(int width, int height);

private:
    QString root;
    int writtenCount = 0;
    int failedCount = 0;
};
