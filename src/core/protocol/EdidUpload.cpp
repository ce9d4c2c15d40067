#include "protocol/EdidUpload.h"

#include "protocol/ByteHelpers.h"

#include <QFile>

EdidUpload::Result EdidUpload::load(const QString &path)
{
    clear();
    if (path.isEmpty())
        return Result::NoFile;

    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        // A short file leaves the tail zero; a read error (a directory, say) leaves everything zero.
        const qint64 read = file.read(reinterpret_cast<char *>(buffer.data()), Size);
        if (read < 0)
            clear();
        file.close();
    }

    switch (CheckEdidBlock(buffer.data())) {
    case EdidValid:
        return Result::Ready;
    case EdidBadHeader:
        clear();
        return Result::NotEdid;
    default:
        clear();
        return Result::BadChecksum;
    }
}
