#include "shell/SetupActions.h"

#include "config/AppState.h"
#include "protocol/ValueTables.h"
#include "session/LinkSession.h"
#include "setup/SetupReader.h"
#include "setup/SetupRestore.h"
#include "shell/LinkHealthBar.h"
#include "shell/SetupCompareDialog.h"
#include "widgets/FileChooser.h"
#include "widgets/MessageBox.h"

#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QStandardPaths>

namespace {
const QString SetupFilter = QStringLiteral("*.json");

bool deviceIdentified(const LinkSession &session)
{
    const DeviceContext &device = session.device().context();
    return session.linkType() != LinkNone && device.ModelIdentified && device.CurrentModel < NoModel;
}
} // namespace

SetupActions::SetupActions(LinkSession &linkSession, LinkHealthBar *healthBar, QWidget *mainWindow)
    : QObject(mainWindow), session(linkSession), bar(healthBar), window(mainWindow)
{
    compareDialog = new SetupCompareDialog(window);
    lastDir = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    connect(bar->saveSetupButton, &QPushButton::clicked, this, &SetupActions::SLT_SaveSetup);
    connect(bar->compareSetupButton, &QPushButton::clicked, this, &SetupActions::SLT_CompareSetup);
    connect(bar->restoreSetupButton, &QPushButton::clicked, this, &SetupActions::SLT_RestoreSetup);
    connect(bar, &LinkHealthBar::SGL_Refreshed, this, &SetupActions::updateButtons);
    updateButtons();
}

void SetupActions::updateButtons()
{
    const bool usable = deviceIdentified(session) && !busy;
    for (QPushButton *button : {bar->saveSetupButton, bar->compareSetupButton, bar->restoreSetupButton})
        button->setEnabled(usable);
}

QList<SetupGroup> SetupActions::groupsOf(const DeviceSetup &setup) const
{
    QList<SetupGroup> groups;
    for (const auto &entry : setup.values) {
        const SetupGroup group = Settings::find(entry.first)->group;
        if (!groups.contains(group))
            groups << group;
    }
    return groups;
}

void SetupActions::SLT_SaveSetup()
{
    if (busy || !deviceIdentified(session))
        return;
    const QString model = QString::fromLatin1(Tables::Models.at(session.device().context().CurrentModel));
    const QString chosen = ChooseSaveFile(window, bar->saveSetupButton->text(),
                                          lastDir + QStringLiteral("/%1-setup.json").arg(model), SetupFilter);
    if (chosen.isEmpty())
        return;
    lastDir = QFileInfo(chosen).absolutePath();
    path = chosen;
    startRead(SetupReader::allGroups());
}

void SetupActions::SLT_CompareSetup()
{
    DeviceSetup setup;
    if (!chooseSetup(bar->compareSetupButton->text(), &setup))
        return;
    file = setup;
    path.clear();
    startRead(groupsOf(setup));
}

void SetupActions::SLT_RestoreSetup()
{
    DeviceSetup setup;
    if (!chooseSetup(bar->restoreSetupButton->text(), &setup))
        return;
    const bool hasLinkSettings = std::any_of(setup.values.begin(), setup.values.end(), [](const auto &entry) {
        return entry.first.startsWith(QLatin1String("link."));
    });
    const bool withLink = hasLinkSettings && ShowConfirm(State().text.SMSG_SetupRestoreLink, window);
    busy = true;
    updateButtons();
    delete restore;
    restore = new SetupRestore(session, this);
    connect(restore, &SetupRestore::SGL_Finished, this, &SetupActions::restoreDone);
    restore->start(setup, withLink);
}

bool SetupActions::chooseSetup(const QString &caption, DeviceSetup *setup)
{
    if (busy || !deviceIdentified(session))
        return false;
    const QString chosen = ChooseOpenFile(window, caption, lastDir, SetupFilter);
    if (chosen.isEmpty())
        return false;
    lastDir = QFileInfo(chosen).absolutePath();
    const LanguageTexts &t = State().text;
    const SetupFileResult loaded = readSetupFile(chosen);
    switch (loaded.status) {
    case SetupFileResult::Ok:
        break;
    case SetupFileResult::Foreign:
        ShowMessage(t.SMSG_SetupForeign + loaded.detail, window);
        return false;
    case SetupFileResult::BadValue:
        ShowMessage(t.SMSG_SetupBadValue + loaded.detail, window);
        return false;
    default:
        ShowMessage(t.SMSG_SetupDamaged + loaded.detail, window);
        return false;
    }
    if (loaded.setup.model != session.device().context().CurrentModel) {
        ShowMessage(t.SMSG_SetupOtherModel +
                        QStringLiteral(" %1 / %2")
                            .arg(loaded.setup.modelName(), QString::fromLatin1(Tables::Models.at(
                                                               session.device().context().CurrentModel))),
                    window);
        return false;
    }
    *setup = loaded.setup;
    return true;
}

void SetupActions::startRead(const QList<SetupGroup> &groups)
{
    busy = true;
    updateButtons();
    delete reader;
    reader = new SetupReader(session, this);
    connect(reader, &SetupReader::SGL_Finished, this, &SetupActions::readDone);
    reader->start(groups, session.device().context().CurrentModel);
}

void SetupActions::readDone()
{
    const LanguageTexts &t = State().text;
    if (reader->outcome() == SetupReader::Outcome::LinkLost)
        return done(t.SMSG_SetupLinkLost);
    if (reader->outcome() != SetupReader::Outcome::Done)
        return done(t.SMSG_SetupReadFail + reader->timedOut().join(QLatin1String(", ")));
    if (!path.isEmpty()) {
        QString error;
        if (!writeSetupFile(path, reader->setup(), &error))
            return done(t.SMSG_SetupSaveFail + error);
        return done(t.SMSG_SetupSaved + QDir::toNativeSeparators(path));
    }
    const QList<SetupDifference> differences = setupDifferences(file.values, reader->setup().values);
    if (differences.isEmpty())
        return done(t.SMSG_SetupMatches);
    busy = false;
    updateButtons();
    compareDialog->showDifferences(QString(), differences);
    emit SGL_SetupDone();
}

void SetupActions::restoreDone()
{
    const LanguageTexts &t = State().text;
    const QString sent = t.SMSG_SetupRestored + QLatin1Char(' ') + QString::number(restore->sent().size());
    switch (restore->outcome()) {
    case SetupRestore::Outcome::Matches:
        return done(sent);
    case SetupRestore::Outcome::Differs:
        busy = false;
        updateButtons();
        compareDialog->showDifferences(sent, restore->remaining());
        emit SGL_SetupDone();
        return;
    case SetupRestore::Outcome::OtherModel:
        return done(t.SMSG_SetupOtherModel + QLatin1Char(' ') + restore->reportedModel());
    case SetupRestore::Outcome::LinkLost:
        return done(t.SMSG_SetupLinkLost);
    default:
        return done(t.SMSG_SetupReadFail + restore->timedOut().join(QLatin1String(", ")));
    }
}

void SetupActions::done(const QString &message)
{
    busy = false;
    updateButtons();
    ShowMessage(message, window);
    emit SGL_SetupDone();
}
