#pragma once

#include <QString>

class QLabel;

// Rewrites a PNG file in place (load, then save atomically) when the file exists and its complete suffix is
// exactly "png"; every picture is passed through this before it is shown. Files that fail to load, and
// every other name, are left untouched.
void NormalizePng(const QString &path);

// The way every picture is shown: normalise the file, and if it exists show it in the label with scaled
// contents. A missing file leaves the label as it is.
void ShowPicture(QLabel *label, const QString &path);
