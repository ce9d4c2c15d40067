#include "pages/DevicePanel.h"

#include "config/AppState.h"
#include "pages/DiscoveryDialog.h"
#include "pages/Ui_Uart_Network.h"
#include "protocol/ValueTables.h"
#include "session/LinkSession.h"
#include "session/ModelQuery.h"
#include "widgets/MessageBox.h"
#include "widgets/MyComboBox.h"

#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

namespace {
constexpr int ListRole = Qt::UserRole;      // 0 saved, 1 recent
constexpr int IndexRole = Qt::UserRole + 1; // index in that list
} // namespace

DevicePanel::DevicePanel(Ui_Uart_Network &connectionPage, LinkSession &linkSession, QWidget *parent)
    : QGroupBox(parent), page(connectionPage), session(linkSession)
{
    tree = new QTreeWidget;
    tree->setColumnCount(4);
    tree->setRootIsDecorated(true);
    tree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    savedRoot = new QTreeWidgetItem(tree);
    recentRoot = new QTreeWidgetItem(tree);
    saveAsButton = new QPushButton;
    saveAsMenu = new QMenu(saveAsButton);
    saveAsButton->setMenu(saveAsMenu);
    renameButton = new QPushButton;
    deleteButton = new QPushButton;
    findButton = new QPushButton;
    auto *layout = new QGridLayout(this);
    layout->addWidget(tree, 0, 0, 1, 2);
    layout->addWidget(saveAsButton, 1, 0);
    layout->addWidget(renameButton, 1, 1);
    layout->addWidget(deleteButton, 2, 0);
    layout->addWidget(findButton, 2, 1);
    layout->setRowStretch(0, 1);
    setAlignment(Qt::AlignLeft);

    // The menu names the two links with the settings the page holds when it opens.
    connect(saveAsMenu, &QMenu::aboutToShow, this, [this] {
        saveAsMenu->clear();
        for (const bool serial : {false, true}) {
            const SavedDevice device = pageDevice(serial);
            connect(saveAsMenu->addAction(device.linkText()), &QAction::triggered, this,
                    [this, device] { saveDevice(device, device.address); });
        }
    });
    connect(renameButton, &QPushButton::clicked, this, &DevicePanel::renameChosen);
    connect(deleteButton, &QPushButton::clicked, this, &DevicePanel::deleteChosen);
    connect(findButton, &QPushButton::clicked, this, &DevicePanel::openDiscovery);
    connect(tree, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *item) {
        if (const SavedDevice *device = deviceOf(item))
            useDevice(*device, false);
    });
    connect(tree, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem *item) {
        if (const SavedDevice *device = deviceOf(item))
            useDevice(*device, true);
    });
    connect(&session, &LinkSession::SGL_ConnectStatus, this,
            [this](quint32, bool status) { identifying = status; });
    connect(&session, &LinkSession::SGL_LineReceived, this,
            [this](quint32, const QByteArray &line) { recordIdentified(line); });

    const SavedDeviceFile::Loaded loaded = SavedDeviceFile::load(SavedDeviceFile::path());
    list = loaded.list;
    // Told once the window is up, not while it is being built.
    if (!loaded.problem.isEmpty())
        QTimer::singleShot(0, this, [this, loaded] { report(loaded); });
}

void DevicePanel::ReloadUIText()
{
    const LanguageTexts &t = State().text;
    setTitle(t.SgroupBox_Devices);
    tree->setHeaderLabels({t.S_DeviceName, t.S_DeviceLink, t.S_DeviceModel, t.S_DeviceLastConnected});
    savedRoot->setText(0, t.S_SavedDevices);
    recentRoot->setText(0, t.S_RecentDevices);
    saveAsButton->setText(t.SpushButton_SaveDeviceAs);
    renameButton->setText(t.SpushButton_RenameDevice);
    deleteButton->setText(t.SpushButton_DeleteDevice);
    findButton->setText(t.SpushButton_FindDevices);
    refresh();
    if (discovery)
        discovery->ReloadUIText();
}

void DevicePanel::reload()
{
    const SavedDeviceFile::Loaded loaded = SavedDeviceFile::load(SavedDeviceFile::path());
    if (!loaded.problem.isEmpty())
        report(loaded);
    list = loaded.list;
    refresh();
}

void DevicePanel::setLinkOpen(bool open)
{
    linkOpen = open;
    findButton->setEnabled(!open);
}

void DevicePanel::refresh()
{
    for (QTreeWidgetItem *root : {savedRoot, recentRoot})
        qDeleteAll(root->takeChildren());
    const std::pair<QTreeWidgetItem *, const QList<SavedDevice> *> parts[] = {{savedRoot, &list.devices},
                                                                              {recentRoot, &list.recent}};
    for (const auto &part : parts) {
        for (int i = 0; i < part.second->size(); ++i) {
            const SavedDevice &device = part.second->at(i);
            const QString when =
                device.lastConnected.isValid()
                    ? device.lastConnected.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"))
                    : QString();
            auto *item =
                new QTreeWidgetItem(part.first, {device.name, device.linkText(), device.model, when});
            item->setData(0, ListRole, part.first == recentRoot ? 1 : 0);
            item->setData(0, IndexRole, i);
        }
    }
    tree->expandAll();
}

const SavedDevice *DevicePanel::deviceOf(const QTreeWidgetItem *item) const
{
    if (!item || !item->parent())
        return nullptr;
    const QList<SavedDevice> &from = item->data(0, ListRole).toInt() == 1 ? list.recent : list.devices;
    const int index = item->data(0, IndexRole).toInt();
    return index < from.size() ? &from.at(index) : nullptr;
}

int DevicePanel::chosenSaved() const
{
    const QTreeWidgetItem *item = tree->currentItem();
    return item && item->parent() == savedRoot ? item->data(0, IndexRole).toInt() : -1;
}

void DevicePanel::useDevice(const SavedDevice &device, bool connectNow)
{
    if (linkOpen || State().LinkType != LinkNone)
        return;
    if (device.serial) {
        page.portBox->setCurrentText(device.address);
        const int baud = device.baud > 0 ? page.baudBox->findText(QString::number(device.baud))
                                         : page.baudBox->count() - 1;
        if (baud >= 0)
            page.baudBox->setCurrentIndex(baud);
    } else {
        page.ipEdit->setText(device.address);
        page.portEdit->setText(QString::number(device.port));
        if (!device.mask.isEmpty())
            page.maskEdit->setText(device.mask);
        if (!device.gateway.isEmpty())
            page.gatewayEdit->setText(device.gateway);
        page.SLT_comboBox_GetVaildLocalIp();
    }
    if (connectNow)
        (device.serial ? page.serialConnectButton : page.networkConnectButton)->click();
}

SavedDevice DevicePanel::pageDevice(bool serial) const
{
    SavedDevice device;
    device.serial = serial;
    if (serial) {
        device.address = page.portBox->currentText();
        device.baud = page.baudBox->currentText().toInt();
    } else {
        device.address = page.ipEdit->text();
        device.port = quint16(page.portEdit->text().toUInt());
        device.mask = page.maskEdit->text();
        device.gateway = page.gatewayEdit->text();
    }
    return device;
}

bool DevicePanel::saveDevice(SavedDevice device, const QString &proposal)
{
    const LanguageTexts &t = State().text;
    bool ok = false;
    const QString name = QInputDialog::getText(this, t.SpushButton_SaveDeviceAs, t.Slabel_DeviceNameAsk,
                                               QLineEdit::Normal, proposal, &ok)
                             .trimmed();
    if (!ok || name.isEmpty())
        return false;
    if (list.indexOf(name) >= 0 && !ShowConfirm(t.SMSG_DeviceNameTaken.arg(name), this))
        return false;
    device.name = name;
    return change([&device](SavedDeviceList &devices) {
        // What was seen of this link so far stays with it.
        for (const SavedDevice &recent : devices.recent) {
            if (recent.sameLink(device) && device.model.isEmpty()) {
                device.model = recent.model;
                device.lastConnected = recent.lastConnected;
            }
        }
        const int at = devices.indexOf(device.name);
        if (at >= 0)
            devices.devices[at] = device;
        else
            devices.devices.append(device);
    });
}

void DevicePanel::renameChosen()
{
    const int index = chosenSaved();
    if (index < 0)
        return;
    const LanguageTexts &t = State().text;
    const QString old = list.devices.at(index).name;
    bool ok = false;
    const QString name = QInputDialog::getText(this, t.SpushButton_RenameDevice, t.Slabel_DeviceNameAsk,
                                               QLineEdit::Normal, old, &ok)
                             .trimmed();
    if (!ok || name.isEmpty() || name == old)
        return;
    if (list.indexOf(name) >= 0 && !ShowConfirm(t.SMSG_DeviceNameTaken.arg(name), this))
        return;
    change([&](SavedDeviceList &devices) {
        const int at = devices.indexOf(old);
        if (at < 0)
            return;
        const int taken = devices.indexOf(name);
        devices.devices[at].name = name;
        if (taken >= 0)
            devices.devices.removeAt(taken);
    });
}

void DevicePanel::deleteChosen()
{
    const int index = chosenSaved();
    if (index < 0)
        return;
    const QString name = list.devices.at(index).name;
    if (!ShowConfirm(State().text.SMSG_DeleteDevice.arg(name), this))
        return;
    change([&name](SavedDeviceList &devices) {
        const int at = devices.indexOf(name);
        if (at >= 0)
            devices.devices.removeAt(at);
    });
}

void DevicePanel::openDiscovery()
{
    if (!discovery) {
        discovery = new DiscoveryDialog(this);
        discovery->ReloadUIText();
        connect(discovery, &DiscoveryDialog::SGL_Connect, this,
                [this](const SavedDevice &device) { useDevice(device, true); });
        connect(discovery, &DiscoveryDialog::SGL_Save, this,
                [this](const SavedDevice &device) { saveDevice(device, device.model); });
    }
    discovery->prepare(page.localIpBox->currentText().section(QLatin1Char('<'), 0, 0), page.portEdit->text());
    discovery->show();
    discovery->raise();
}

void DevicePanel::recordIdentified(const QByteArray &line)
{
    const QString model = modelInReply(line);
    if (!identifying || model.isNull() || Tables::Models.indexOf(model.toLatin1()) < 0)
        return;
    identifying = false;
    const LinkTarget target = session.target();
    SavedDevice device;
    device.serial = target.type == LinkSerial;
    device.address = device.serial ? target.serial.portName : target.remoteIp;
    device.port = quint16(target.remotePort.toUInt());
    device.baud = target.serial.baudRate.toInt();
    if (!device.serial) {
        device.mask = State().config.SP_RemoteSubmask;
        device.gateway = State().config.SP_RemoteGateway;
    }
    const QDateTime now = QDateTime::currentDateTimeUtc();
    change([&](SavedDeviceList &devices) { devices.recordConnection(device, model, now); });
}

bool DevicePanel::change(const std::function<void(SavedDeviceList &)> &edit)
{
    const QString path = SavedDeviceFile::path();
    const SavedDeviceFile::Loaded loaded = SavedDeviceFile::load(path);
    if (!loaded.problem.isEmpty())
        report(loaded);
    if (!loaded.writable)
        return false;
    list = loaded.list;
    edit(list);
    refresh();
    QString error;
    if (SavedDeviceFile::save(path, list, &error))
        return true;
    ShowMessage(State().text.SMSG_DevicesSaveFail + QStringLiteral("\n%1\n%2").arg(path, error), this);
    return false;
}

void DevicePanel::report(const SavedDeviceFile::Loaded &loaded)
{
    const LanguageTexts &t = State().text;
    const QString path = SavedDeviceFile::path();
    ShowMessage(loaded.keptAs.isEmpty() ? t.SMSG_DevicesUnreadable.arg(path, loaded.problem)
                                        : t.SMSG_DevicesDamaged.arg(path, loaded.problem, loaded.keptAs),
                this);
}
