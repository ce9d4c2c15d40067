#include "pages/DiscoveryDialog.h"

#include "config/AppState.h"
#include "widgets/MessageBox.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHostAddress>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkInterface>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

DiscoveryDialog::DiscoveryDialog(QWidget *parent) : QDialog(parent)
{
    interfaceLabel = new QLabel;
    interfaceBox = new QComboBox;
    rangeLabel = new QLabel;
    rangeEdit = new QLineEdit;
    portLabel = new QLabel;
    portEdit = new QLineEdit;
    startButton = new QPushButton;
    cancelButton = new QPushButton;
    cancelButton->setEnabled(false);
    table = new QTableWidget(0, 3);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    progress = new QProgressBar;
    progressLabel = new QLabel;
    saveButton = new QPushButton;
    closeButton = new QPushButton;

    auto *form = new QFormLayout;
    form->addRow(interfaceLabel, interfaceBox);
    form->addRow(rangeLabel, rangeEdit);
    form->addRow(portLabel, portEdit);
    auto *sweepButtons = new QHBoxLayout;
    sweepButtons->addWidget(startButton);
    sweepButtons->addWidget(cancelButton);
    sweepButtons->addStretch(1);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(saveButton);
    bottom->addStretch(1);
    bottom->addWidget(closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(sweepButtons);
    layout->addWidget(table, 1);
    layout->addWidget(progress);
    layout->addWidget(progressLabel);
    layout->addLayout(bottom);
    resize(560, 480);

    connect(interfaceBox, QOverload<int>::of(&QComboBox::activated), this,
            [this](int index) { rangeEdit->setText(interfaceBox->itemData(index).toString()); });
    connect(startButton, &QPushButton::clicked, this, &DiscoveryDialog::startSweep);
    connect(cancelButton, &QPushButton::clicked, &sweep, &NetworkSweep::cancel);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(saveButton, &QPushButton::clicked, this, [this] {
        if (table->currentRow() >= 0)
            emit SGL_Save(deviceAt(table->currentRow()));
    });
    connect(table, &QTableWidget::cellDoubleClicked, this, [this](int row) {
        const SavedDevice device = deviceAt(row);
        reject();
        emit SGL_Connect(device);
    });
    connect(&sweep, &NetworkSweep::SGL_DeviceFound, this, &DiscoveryDialog::addFound);
    connect(&sweep, &NetworkSweep::SGL_Progress, this, &DiscoveryDialog::showProgress);
    connect(&sweep, &NetworkSweep::SGL_Finished, this, [this] {
        startButton->setEnabled(true);
        cancelButton->setEnabled(false);
        showProgress();
    });
}

void DiscoveryDialog::ReloadUIText()
{
    const LanguageTexts &t = State().text;
    setWindowTitle(t.Ui_Discovery_AppName);
    interfaceLabel->setText(t.Slabel_DiscoverInterface);
    rangeLabel->setText(t.Slabel_DiscoverRange);
    portLabel->setText(t.Slabel_DiscoverPort);
    startButton->setText(t.SpushButton_DiscoverStart);
    cancelButton->setText(t.SpushButton_DiscoverCancel);
    saveButton->setText(t.SpushButton_SaveDeviceAs);
    closeButton->setText(t.SpushButton_DiscoverClose);
    table->setHorizontalHeaderLabels({t.S_DiscoverAddress, t.S_DiscoverPort, t.S_DeviceModel});
}

void DiscoveryDialog::prepare(const QString &localIp, const QString &port)
{
    if (sweep.isRunning())
        return;
    interfaceBox->clear();
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &interface : interfaces) {
        for (const QNetworkAddressEntry &entry : interface.addressEntries()) {
            if (entry.ip().protocol() != QAbstractSocket::IPv4Protocol)
                continue;
            const QString subnet = subnetOf(entry.ip().toString(), entry.netmask().toString());
            interfaceBox->addItem(QStringLiteral("%1  %2/%3")
                                      .arg(interface.humanReadableName(), entry.ip().toString())
                                      .arg(entry.prefixLength()),
                                  subnet);
            if (entry.ip().toString() == localIp)
                interfaceBox->setCurrentIndex(interfaceBox->count() - 1);
        }
    }
    rangeEdit->setText(interfaceBox->currentData().toString());
    portEdit->setText(port.isEmpty() ? QStringLiteral("2000") : port);
}

bool DiscoveryDialog::startSweep()
{
    const LanguageTexts &t = State().text;
    const SweepRange range = parseSweepRange(rangeEdit->text());
    if (range.problem == SweepRange::Unreadable) {
        ShowMessage(t.SMSG_DiscoverBadRange.arg(rangeEdit->text()), this);
        return false;
    }
    if (range.problem == SweepRange::TooWide) {
        ShowMessage(t.SMSG_DiscoverTooWide.arg(range.text())
                        .arg(range.size)
                        .arg(SweepRange::Limit)
                        .arg(range.suggestion),
                    this);
        rangeEdit->setText(range.suggestion);
        rangeEdit->selectAll();
        rangeEdit->setFocus();
        return false;
    }
    const uint port = portEdit->text().toUInt();
    if (port == 0 || port > 65535) {
        ShowMessage(t.SMSG_Network_Param_Fail, this);
        return false;
    }
    const quint32 mask = range.prefix == 0 ? 0 : ~quint32(0) << (32 - range.prefix);
    sweptMask = QHostAddress(mask).toString();
    table->setRowCount(0);
    startButton->setEnabled(false);
    cancelButton->setEnabled(true);
    sweep.start(range, quint16(port));
    return true;
}

void DiscoveryDialog::addFound(const QString &address, quint16 port, const QString &model)
{
    // Rows stay in address order, whatever order the devices answer in.
    const quint32 value = QHostAddress(address).toIPv4Address();
    int row = 0;
    while (row < table->rowCount() && QHostAddress(table->item(row, 0)->text()).toIPv4Address() < value)
        ++row;
    table->insertRow(row);
    const QString texts[] = {address, QString::number(port), model};
    for (int column = 0; column < 3; ++column)
        table->setItem(row, column, new QTableWidgetItem(texts[column]));
}

void DiscoveryDialog::showProgress()
{
    progress->setRange(0, int(sweep.total()));
    progress->setValue(int(sweep.done()));
    progressLabel->setText(
        State().text.S_DiscoverProgress.arg(table->rowCount()).arg(sweep.done()).arg(sweep.total()));
}

SavedDevice DiscoveryDialog::deviceAt(int row) const
{
    SavedDevice device;
    device.address = table->item(row, 0)->text();
    device.port = quint16(table->item(row, 1)->text().toUInt());
    device.model = table->item(row, 2)->text();
    device.mask = sweptMask;
    return device;
}

void DiscoveryDialog::done(int result)
{
    sweep.cancel();
    QDialog::done(result);
}
