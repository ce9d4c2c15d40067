#pragma once

#include <QString>
#include <QStringList>

struct SavedDevice;

// The links a lumaplex-gateway of this computer holds open, as it tells in "held-links.json" of its own
// folder, so that the window can warn before it opens one of them as well: a serial port cannot be shared,
// and two programs watching one device double its traffic. The file names the gateway's process; one left
// behind by a gateway that no longer runs is not believed.
namespace HeldLinks {

// Writes the file into `folder`: the links by SavedDevice::linkKey, held by this process. False with the
// reason in *error.
bool write(const QString &folder, const QStringList &links, QString *error);
void remove(const QString &folder);

// The folders a gateway of this computer keeps the file in, as this program's own folders place them
// (the gateway's folder below the settings, and the system's).
QStringList gatewayFolders();

// The process id of a running gateway that holds `device`'s link, as the files in `folders` tell; 0 when
// none does.
qint64 holder(const SavedDevice &device, const QStringList &folders = gatewayFolders());

} // namespace HeldLinks
