#pragma once

#include "setup/DeviceSetup.h"

#include <QObject>
#include <QString>

class LinkHealthBar;
class LinkSession;
class QWidget;
class SetupCompareDialog;
class SetupReader;
class SetupRestore;

// The main window's "Save setup…", "Compare…" and "Restore…": the operator picks a file, the device is
// read (and for a restore changed) through the link session, and the outcome is told in a message or shown
// in the differences dialog. A file that is damaged, foreign or of another model is refused before anything
// is sent. The buttons are usable while an identified device is linked and nothing of this runs.
class SetupActions : public QObject
{
    Q_OBJECT
public:
    SetupActions(LinkSession &session, LinkHealthBar *bar, QWidget *window);

    SetupCompareDialog *dialog() const { return compareDialog; }

signals:
    // A save, compare or restore has ended (its message shown).
    void SGL_SetupDone();

public slots:
    void SLT_SaveSetup();
    void SLT_CompareSetup();
    void SLT_RestoreSetup();

private:
    void updateButtons();
    // The setup in the file the operator picks, or false (after telling why) when there is none to use.
    bool chooseSetup(const QString &caption, DeviceSetup *setup);
    void startRead(const QList<SetupGroup> &groups);
    void readDone();
    void restoreDone();
    void done(const QString &message);
    QList<SetupGroup> groupsOf(const DeviceSetup &setup) const;

    LinkSession &session;
    LinkHealthBar *bar;
    QWidget *window;
    SetupCompareDialog *compareDialog = nullptr;
    SetupReader *reader = nullptr;
    SetupRestore *restore = nullptr;
    bool busy = false;
    // What the read is for: a save into `path`, or a compare with `file`.
    QString path;
    DeviceSetup file;
    QString lastDir;
};
