#pragma once

#include <QString>

class QComboBox;
class QWidget;

// The language selectors of the login dialog and the main window list one item per existing language
// file; a switch saves the texts of the language being left and loads the other language's file.
namespace LanguageSwitch {

// Clears the selector and lists the existing languages (first language first).
void fillSelector(QComboBox *selector);
// Renews the item texts and selects the current language.
void retextSelector(QComboBox *selector);
// Saves the configuration and the current language file, sets the language flag from the chosen item
// text (compared with the texts in force before the switch) and loads the new language's texts. A save that
// fails is told to the operator over `parent`.
void switchTo(const QString &languageText, QWidget *parent);

} // namespace LanguageSwitch
