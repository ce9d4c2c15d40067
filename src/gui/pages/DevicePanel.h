#pragma once

#include "session/SavedDevices.h"

#include <QGroupBox>

#include <functional>

class DiscoveryDialog;
class LinkSession;
class QMenu;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class Ui_Uart_Network;

// The device list of the connection page: the saved devices and the last ten connections. Picking one
// fills the page's link settings, a double-click also connects. "Save as…" keeps the page's TCP or serial
// settings under a name; saved devices can be renamed and deleted; "Find devices…" opens the network
// discovery. A connection whose model is identified goes first in the recent list, and the saved devices on
// that link take the model and the time. The list lives in "devices.json" beside the settings.
class DevicePanel : public QGroupBox
{
    Q_OBJECT
public:
    DevicePanel(Ui_Uart_Network &page, LinkSession &session, QWidget *parent = nullptr);

    void ReloadUIText();
    // Reads the list again from its file (changed by someone else).
    void reload();
    // While a link is open the list does not change the page's settings.
    void setLinkOpen(bool open);
    const SavedDeviceList &devices() const { return list; }

    // Fills the page's settings from `device` and, with `connectNow`, presses the connect button of its link.
    void useDevice(const SavedDevice &device, bool connectNow);
    // Asks for a name (proposing `proposal`) and saves `device` under it; false when nothing was saved.
    bool saveDevice(SavedDevice device, const QString &proposal);
    // The page's TCP or serial settings as a device.
    SavedDevice pageDevice(bool serial) const;

    QTreeWidget *tree = nullptr;
    QPushButton *saveAsButton = nullptr;
    QMenu *saveAsMenu = nullptr;
    QPushButton *renameButton = nullptr;
    QPushButton *deleteButton = nullptr;
    QPushButton *findButton = nullptr;
    DiscoveryDialog *discovery = nullptr;

private:
    void refresh();
    // The saved device of the chosen row, or -1.
    int chosenSaved() const;
    const SavedDevice *deviceOf(const QTreeWidgetItem *item) const;
    void renameChosen();
    void deleteChosen();
    void openDiscovery();
    void recordIdentified(const QByteArray &line);
    // Reads the file again, applies `edit` and saves; false (told to the operator) when it cannot be saved.
    bool change(const std::function<void(SavedDeviceList &)> &edit);
    // Tells the operator about a file that could not be read.
    void report(const SavedDeviceFile::Loaded &loaded);

    Ui_Uart_Network &page;
    LinkSession &session;
    SavedDeviceList list;
    QTreeWidgetItem *savedRoot = nullptr;
    QTreeWidgetItem *recentRoot = nullptr;
    bool linkOpen = false;
    // The link that connected and whose model has not been identified yet.
    bool identifying = false;
};
