#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// Writes `bytes` to `path` through a temporary file that is renamed over the target only when everything
// was written, so a crash, a kill or a full disk never leaves a truncated file behind. Missing parent
// directories are created. A target that already holds exactly these bytes is left untouched, and one
// without any write permission bit is never replaced. Returns false when the target does not hold the bytes
// afterwards, with the system's reason in `error` (when given).
bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error = nullptr);

// Test seam: called with the target path after the temporary file is complete and before it replaces the
// target; returning false abandons the write, as a crash at that moment would.
void setAtomicCommitGate(std::function<bool(const QString &)> gate);
