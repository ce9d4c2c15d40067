#include "MainWindowDriver.h"

#include "config/ConfigFile.h"
#include "pages/Ui_Uart_Network.h"
#include "session/LinkSession.h"
#include "shell/Startup.h"
#include "widgets/FileChooserSeam.h"
#include "widgets/MessageBoxSeam.h"
#include "widgets/MyComboBox.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QByteArray>
#include <QByteArrayList>
#include <QComboBox>
#include <QLineEdit>
#include <QObject>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QString>
#include <QStringList>
#include <QTabWidget>
#include <QTest>
#include <QWidget>

MainWindowDriver::MainWindowDriver(const QStringList &settings)
{
    appDir.installDataTree();
    if (!settings.isEmpty()) {
        Config_LoadOrCreate();
        appDir.writeFile(QStringLiteral("/APP/ConfigFile/config.ini"),
                         (settings.join("\r\n") + "\r\n").toUtf8());
    }
    clearMessages();
    FileChooserSeam::reset();
    FileChooserSeam::activate();
    // As the program starts, then what a successful login does.
    Config_CheckAtStartup();
    main = std::make_unique<Ui_Main>();
    QObject::connect(main->session, &LinkSession::SGL_LineReceived, [this] { ++replies; });
    main->SLT_SETUP_UI_MAIN();
    // The tests count what the device receives: watching is off but for the tests that set its interval.
    main->connectionPage->watchBox->setValue(0);
    if (!QTest::qWaitForWindowExposed(main.get()))
        qWarning("the main window was not exposed");
}

MainWindowDriver::~MainWindowDriver()
{
    main.reset();
    MessageBoxSeam::reset();
    FileChooserSeam::reset();
}

bool MainWindowDriver::reach(QWidget *widget)
{
    QTabWidget *tabs = main->tabWidget;
    for (int index = 0; widget && index < tabs->count(); ++index) {
        const QWidget *page = tabs->widget(index);
        if ((page == widget || page->isAncestorOf(widget)) && tabs->currentIndex() != index)
            QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(index).center());
    }
    return widget && widget->isVisible() && widget->isEnabled();
}

bool MainWindowDriver::click(QAbstractButton *button)
{
    return reach(button) && (QTest::mouseClick(button, Qt::LeftButton), true);
}

bool MainWindowDriver::choose(QComboBox *combo, int index)
{
    if (!reach(combo))
        return false;
    // Opening the popup is what refreshes the lists that announce their popup (ports, local addresses).
    combo->showPopup();
    QAbstractItemView *view = combo->view();
    if (index < 0 || index >= combo->count() || !view || !view->isVisible()) {
        combo->hidePopup();
        return false;
    }
    view->setCurrentIndex(combo->model()->index(index, combo->modelColumn(), combo->rootModelIndex()));
    QTest::keyClick(view, Qt::Key_Return);
    return combo->currentIndex() == index && !view->isVisible();
}

bool MainWindowDriver::type(QLineEdit *field, const QString &text)
{
    if (!reach(field) || field->isReadOnly())
        return false;
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
    return field->text() == text;
}

bool MainWindowDriver::typeAndEnter(QLineEdit *field, const QString &text)
{
    return type(field, text) && (QTest::keyClick(field, Qt::Key_Return), true);
}

bool MainWindowDriver::connectTcp(quint16 port)
{
    Ui_Uart_Network *page = main->connectionPage;
    return type(page->ipEdit, QStringLiteral("127.0.0.1")) && type(page->portEdit, QString::number(port)) &&
           type(page->maskEdit, QStringLiteral("255.0.0.0")) &&
           type(page->gatewayEdit, QStringLiteral("127.0.0.1")) && choose(page->localIpBox, 0) &&
           page->localIpBox->currentText().startsWith(QLatin1String("127.")) &&
           click(page->networkConnectButton);
}

bool MainWindowDriver::connectSerial(const QString &path, const QString &baud)
{
    Ui_Uart_Network *page = main->connectionPage;
    return page->portBox->lineEdit() && type(page->portBox->lineEdit(), path) &&
           choose(page->baudBox, page->baudBox->findText(baud)) && click(page->serialConnectButton);
}

void MainWindowDriver::openLink(quint32 linkType)
{
    const LanguageTexts &t = State().text;
    Ui_Uart_Network *page = main->connectionPage;
    main->session->openWithoutTransport(linkType);
    State().LinkType = linkType;
    const bool serial = linkType == LinkSerial;
    page->serialConnectButton->setText(t.S_ConnectDisconnect[serial ? 1 : 0]);
    page->networkConnectButton->setText(t.S_ConnectDisconnect[serial ? 0 : 1]);
    page->serialConnectButton->setEnabled(serial);
    page->networkConnectButton->setEnabled(!serial);
    page->UpdateLinkInputsEnabled(true);
}

void MainWindowDriver::feed(const QByteArrayList &lines)
{
    for (const QByteArray &line : lines) {
        main->session->device().applyLine(line);
        emit main->session->SGL_LineReceived(State().LinkType, line);
    }
}

void MainWindowDriver::identify(quint8 model)
{
    feed({QByteArray("MODEL TYPE ") + Tables::Models.wire(model) + '\r'});
    main->connectionPage->statusText->clear();
    clearMessages();
}

int MainWindowDriver::syncOverCount() const
{
    const QString marker = QStringLiteral("->%1<-").arg(State().text.SMSG_Status_SyncOver);
    return main->connectionPage->statusText->toPlainText().count(marker);
}

bool MainWindowDriver::waitForSyncOver(int count, int timeoutMs) const
{
    return QTest::qWaitFor([&] { return syncOverCount() >= count; }, timeoutMs);
}

QStringList MainWindowDriver::messages()
{
    return MessageBoxSeam::texts();
}

void MainWindowDriver::clearMessages()
{
    MessageBoxSeam::reset();
    MessageBoxSeam::activate();
}

int flatOf(const QPushButton *first, const QPushButton *second)
{
    return first->isFlat() == second->isFlat() ? -1 : first->isFlat() ? 0 : 1;
}

int flatSource(const Ui_Multiview *page, int window)
{
    int flat = -1;
    for (int source = 0; source < MultiviewSourceGrid::SourceCount; ++source) {
        if (page->sources->sourceButtons.at(window * MultiviewSourceGrid::SourceCount + source)->isFlat())
            flat = flat < 0 ? source : -2;
    }
    return flat;
}
