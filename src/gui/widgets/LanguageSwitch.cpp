#include "widgets/LanguageSwitch.h"

#include "config/AppState.h"
#include "config/AppPaths.h"
#include "config/ConfigFile.h"
#include "widgets/SaveReport.h"

#include <QComboBox>
#include <QFile>
#include <QSignalBlocker>

namespace LanguageSwitch {

void fillSelector(QComboBox *selector)
{
    const LanguageTexts &t = State().text;
    selector->clear();
    if (QFile::exists(AppPaths::englishLanguageFile()))
        selector->addItem(t.ScomboBox_LanguageSelect[0]);
    if (QFile::exists(AppPaths::otherLanguageFile()))
        selector->addItem(t.ScomboBox_LanguageSelect[1]);
}

void retextSelector(QComboBox *selector)
{
    const LanguageTexts &t = State().text;
    // Renaming and reselecting items must not start another language switch.
    const QSignalBlocker blocker(selector);
    int count = 0;
    if (QFile::exists(AppPaths::englishLanguageFile()) && selector->count() > 0) {
        selector->setItemText(0, t.ScomboBox_LanguageSelect[0]);
        count = 1;
    }
    if (QFile::exists(AppPaths::otherLanguageFile()) && selector->count() > count) {
        selector->setItemText(count, t.ScomboBox_LanguageSelect[1]);
        ++count;
    }
    if (!QFile::exists(Config_CurrentLanguageFile()))
        return;
    if (count == 2)
        selector->setCurrentIndex(State().config.Key_LanguageIsEnglish == QLatin1String("1") ? 0 : 1);
    else if (count == 1)
        selector->setCurrentIndex(0);
}

void switchTo(const QString &languageText, QWidget *parent)
{
    ReportSaveFailure(Config_SaveAll(), parent);
    AppState &s = State();
    if (languageText == s.text.ScomboBox_LanguageSelect[0])
        s.config.Key_LanguageIsEnglish = QStringLiteral("1");
    else if (languageText == s.text.ScomboBox_LanguageSelect[1])
        s.config.Key_LanguageIsEnglish = QStringLiteral("0");
    Config_LoadAll(true);
}

} // namespace LanguageSwitch
