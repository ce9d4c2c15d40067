#pragma once

#include <QStringList>

// Lets tests choose the file instead of the operator. While the seam is active ChooseOpenFile opens no
// dialog: it records the directory it was asked to open and returns the next queued path (an empty path,
// as a cancelled dialog, when none is left).
class FileChooserSeam
{
public:
    // Turns the seam on without paths: every choice is cancelled.
    static void activate();
    // Turns the seam on and queues the path of a later choice (first in, first out).
    static void pushChosenPath(const QString &path);
    static bool isActive();

    // Directories the chooser was opened in, in order.
    static QStringList openedDirs();
    static int pendingPaths();

    // Seam off, paths and records cleared.
    static void reset();

    // Used by ChooseOpenFile: when active, records `dir`, sets *path and returns true.
    static bool intercept(const QString &dir, QString *path);
};
