#include "widgets/FileChooserSeam.h"

#include <QQueue>

namespace {
struct SeamState
{
    bool active = false;
    QQueue<QString> paths;
    QStringList dirs;
};

SeamState &seam()
{
    static SeamState state;
    return state;
}
} // namespace

void FileChooserSeam::activate()
{
    seam().active = true;
}

void FileChooserSeam::pushChosenPath(const QString &path)
{
    seam().active = true;
    seam().paths.enqueue(path);
}

bool FileChooserSeam::isActive()
{
    return seam().active;
}

QStringList FileChooserSeam::openedDirs()
{
    return seam().dirs;
}

int FileChooserSeam::pendingPaths()
{
    return seam().paths.size();
}

void FileChooserSeam::reset()
{
    seam() = SeamState();
}

bool FileChooserSeam::intercept(const QString &dir, QString *path)
{
    SeamState &state = seam();
    if (!state.active)
        return false;
    state.dirs.append(dir);
    *path = state.paths.isEmpty() ? QString() : state.paths.dequeue();
    return true;
}
