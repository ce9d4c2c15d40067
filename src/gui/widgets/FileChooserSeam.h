#pragma once

#include <QStringList>

// Lets tests choose the file instead of the operator. While the seam is active ChooseOpenFile and
// ChooseSaveFile open no dialog: they record the directory (or proposed path) they were asked to open and
// return the next queued path (an empty path, as a cancelled dialog, when none is left).
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
