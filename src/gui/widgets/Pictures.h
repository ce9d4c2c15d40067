#pragma once

#include <QString>
#include <QStringList>

class QIcon;
class QImage;
class QLabel;
class QPixmap;

// Pictures are PNG files of the data tree, each drawn twice: "name.png" for normal screens and, beside it,
// "name@2x.png" at twice the size for high-density ones. Callers name the plain file; the helpers pick the
// one that suits the screens of the session.

// The file to show for `path`: its "@2x" sibling when a screen has a device pixel ratio above 1 and the
// sibling exists, else `path` itself.
QString PictureFileForScreen(const QString &path);

// Rewrites a PNG file in place (load, then save atomically) when the file exists, its complete suffix is
// exactly "png", saving it would change it, and the data tree may be written (an installed data tree is
// only read). A file that is already normal is left untouched, and each file is examined once per run.
// Files that fail to load, and every other name, are left untouched.
void NormalizePng(const QString &path);

// Start-up shows its first window before it spends time on examining picture files (a PNG encoding each).
// From DeferPictureExamination() on, the helpers below only read the pictures they show; then
// ExamineDeferredPictures() examines, as NormalizePng, every file shown meanwhile, and from then on showing
// examines at once again. NormalizePng itself never waits.
void DeferPictureExamination();
void ExamineDeferredPictures();

// The files that ShowPicture and LoadPicture read for `path`, and those that LoadIcon reads.
QStringList PictureFiles(const QString &path);
QStringList IconFiles(const QString &path);
// Start-up reads and decodes the picture files of its first window on another core while it builds that
// window, one after the other in the order given (the order the window shows them in). Showing one of them
// then waits for its decoding instead of reading it again; those not shown by the end of start-up are
// forgotten.
void PrefetchPictures(const QStringList &files);

// The way every picture is shown: normalise the file for the screen, and if it exists show it in the label
// with scaled contents. A missing file leaves the label as it is.
void ShowPicture(QLabel *label, const QString &path);

// The picture for the screen as a pixmap that knows its device pixel ratio (shown at the size of the plain
// file); null when the file is missing.
QPixmap LoadPicture(const QString &path);
// An icon holding the plain picture and its "@2x" sibling (both normalised); null when neither exists.
QIcon LoadIcon(const QString &path);
