#pragma once

#include "core/TestAppDir.h"

#include <QString>
#include <QStringList>

#include <memory>

class QAbstractButton;
class QComboBox;
class QLineEdit;
class QWidget;
class Ui_Main;

// The real main window as an operator sees it, in a temporary application directory with the shipped data
// tree: no message box ever blocks (each one is recorded, confirmations take pre-set answers), the file
// chooser returns pre-set paths. The helpers act through the widgets (mouse clicks, keys, the combo popup)
// and return false when the widget could not be used as an operator would use it (hidden, disabled, no such
// item).
class MainWindowDriver
{
public:
    MainWindowDriver();
    ~MainWindowDriver();
    MainWindowDriver(const MainWindowDriver &) = delete;
    MainWindowDriver &operator=(const MainWindowDriver &) = delete;

    Ui_Main *window() const { return main.get(); }

    // Types the device address into the connection page and presses its network connect button.
    bool connectTcp(quint16 port);
    // Types the serial line's path into the port box, picks the baud rate and presses the serial button.
    bool connectSerial(const QString &path, const QString &baud = QStringLiteral("9600"));
    // Presses the connect/disconnect button of the open link.
    bool disconnectLink();

    // Brings the tab that holds `page` to the front by clicking its tab.
    bool showPage(QWidget *page);
    bool click(QAbstractButton *button);
    // Opens the combo's popup, moves to the item and presses Enter there, as an operator picks an item.
    bool choose(QComboBox *combo, int index);
    // Replaces the field's text by typing `text`, then presses Enter.
    bool typeAndEnter(QLineEdit *field, const QString &text);
    // Replaces the field's text by typing `text`.
    bool type(QLineEdit *field, const QString &text);

    QString statusText() const;
    // How often the connection page's status box shows the "Sync Over!" marker.
    int syncOverCount() const;
    // True when the status box ends with the marker.
    bool endsWithSyncOver() const;
    // Waits until the marker has been written `count` times.
    bool waitForSyncOver(int count, int timeoutMs = 15000) const;

    // Texts of the message boxes and questions so far.
    static QStringList messages();

    TestAppDir appDir;

private:
    std::unique_ptr<Ui_Main> main;
};
