#include "widgets/FileChooserSeam.h"

#include <QQueue>

namespace {
struct ChooserSeamState
{
    bool active = false;
    QQueue<QString> paths;
    QStringList dirs;
};

ChooserSeamState &chooserSeam()
{
    static ChooserSeamState state;
    return state;
}
} // namespace

void FileChooserSeam::activate()
{
    chooserSeam().active = true;
}

void FileChooserSeam::pushChosenPath(const QString &path)
{
    chooserSeam().active = true;
    chooserSeam().paths.enqueue(path);
}

bool FileChooserSeam::isActive()
{
    return chooserSeam().active;
}

QStringList FileChooserSeam::openedDirs()
{
    return chooserSeam().dirs;
}

int FileChooserSeam::pendingPaths()
{
    return chooserSeam().paths.size();
}

void FileChooserSeam::reset()
{
    chooserSeam() = ChooserSeamState();
}

bool FileChooserSeam::intercept(const QString &dir, QString *path)
{
    ChooserSeamState &state = chooserSeam();
    if (!state.active)
        return false;
    state.dirs.append(dir);
    *path = state.paths.isEmpty() ? QString() : state.paths.dequeue();
    return true;
}
