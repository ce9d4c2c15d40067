#include "MainWindowDriver.h"

#include "config/AppState.h"
#include "shell/Startup.h"
#include "shell/Ui_Main.h"
#include "link/LinkChannel.h"
#include "pages/Ui_Uart_Network.h"
#include "widgets/FileChooserSeam.h"
#include "widgets/MessageBoxSeam.h"
#include "widgets/MyComboBox.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

namespace {
bool usable(const QWidget *widget)
{
    return widget && widget->isVisible() && widget->isEnabled();
}

QString syncOverMarker()
{
    return QStringLiteral("->%1<-").arg(State().text.SMSG_Status_SyncOver);
}
} // namespace

MainWindowDriver::MainWindowDriver()
{
    appDir.installDataTree();
    MessageBoxSeam::reset();
    MessageBoxSeam::activate();
    FileChooserSeam::reset();
    FileChooserSeam::activate();
    // As the program starts: settings (written with their defaults) and style sheet, the main window, then
    // what a successful login does.
    Config_CheckAtStartup();
    main = std::make_unique<Ui_Main>();
    main->SLT_SETUP_UI_MAIN();
    if (!QTest::qWaitForWindowExposed(main.get()))
        qWarning("the main window was not exposed");
}

MainWindowDriver::~MainWindowDriver()
{
    main.reset();
    MessageBoxSeam::reset();
    FileChooserSeam::reset();
}

bool MainWindowDriver::showPage(QWidget *page)
{
    QTabWidget *tabs = main->tabWidget;
    const int index = tabs->indexOf(page);
    if (index < 0)
        return false;
    QTabBar *bar = tabs->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(index).center());
    return tabs->currentIndex() == index;
}

bool MainWindowDriver::click(QAbstractButton *button)
{
    if (!usable(button))
        return false;
    QTest::mouseClick(button, Qt::LeftButton);
    return true;
}

bool MainWindowDriver::choose(QComboBox *combo, int index)
{
    if (!usable(combo))
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
    if (!usable(field) || field->isReadOnly())
        return false;
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
    return field->text() == text;
}

bool MainWindowDriver::typeAndEnter(QLineEdit *field, const QString &text)
{
    if (!type(field, text))
        return false;
    QTest::keyClick(field, Qt::Key_Return);
    return true;
}

bool MainWindowDriver::connectTcp(quint16 port)
{
    Ui_Uart_Network *page = main->connectionPage;
    return showPage(page) && type(page->ipEdit, QStringLiteral("127.0.0.1")) &&
           type(page->portEdit, QString::number(port)) && type(page->maskEdit, QStringLiteral("255.0.0.0")) &&
           type(page->gatewayEdit, QStringLiteral("127.0.0.1")) && choose(page->localIpBox, 0) &&
           page->localIpBox->currentText().startsWith(QLatin1String("127.")) &&
           click(page->networkConnectButton);
}

bool MainWindowDriver::connectSerial(const QString &path, const QString &baud)
{
    Ui_Uart_Network *page = main->connectionPage;
    return showPage(page) && page->portBox->lineEdit() && type(page->portBox->lineEdit(), path) &&
           choose(page->baudBox, page->baudBox->findText(baud)) && click(page->serialConnectButton);
}

bool MainWindowDriver::disconnectLink()
{
    Ui_Uart_Network *page = main->connectionPage;
    if (!showPage(page))
        return false;
    switch (State().LinkType) {
    case LinkTcpClient:
        return click(page->networkConnectButton);
    case LinkSerial:
        return click(page->serialConnectButton);
    default:
        return false;
    }
}

QString MainWindowDriver::statusText() const
{
    return main->connectionPage->statusText->toPlainText();
}

int MainWindowDriver::syncOverCount() const
{
    return statusText().count(syncOverMarker());
}

bool MainWindowDriver::endsWithSyncOver() const
{
    return statusText().trimmed().endsWith(syncOverMarker());
}

bool MainWindowDriver::waitForSyncOver(int count, int timeoutMs) const
{
    return QTest::qWaitFor([&] { return syncOverCount() >= count; }, timeoutMs);
}

QStringList MainWindowDriver::messages()
{
    return MessageBoxSeam::texts();
}
