#pragma once

#include <QString>

class QWidget;

// Tells the operator in a message box that a save of the settings failed (`failure`: one "path: reason" line
// per file, as the configuration saves return it). A failure is told once: a folder that stays read-only
// does not raise a box at every later save (language switches, the exit save); `evenIfTold` tells it again
// for a save the operator asked for and waits to hear about (a password change). An empty `failure` (a save
// that worked) forgets what was told, so a failure that comes back is told again.
void ReportSaveFailure(const QString &failure, QWidget *parent, bool evenIfTold = false);
