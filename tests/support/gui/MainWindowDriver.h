#pragma once

#include "core/TestAppDir.h"

#include "config/AppState.h"
#include "pages/Ui_Audio.h"
#include "pages/Ui_Multiview.h"
#include "pages/Ui_Output.h"
#include "pages/Ui_System.h"
#include "pages/Ui_Uart_Network.h"
#include "protocol/ValueTables.h"
#include "shell/Ui_Main.h"

#include <QByteArrayList>
#include <QMetaType>
#include <QStringList>

#include <memory>

class QAbstractButton;
class QComboBox;
class QLineEdit;
class QPushButton;

// The real main window as an operator sees it after logging in, in a temporary application directory with
// the shipped data tree: message boxes never block (each is recorded, questions take pre-set answers) and the
// file chooser returns pre-set paths. The helpers act through the widgets (the page's tab, mouse, keys, the
// combo popup) and return false when the operator could not use the widget (hidden, disabled, no such item).
class MainWindowDriver
{
public:
    // With `settings` ("Key=value" lines) the program starts as after a first start whose config.ini was
    // then replaced by these lines.
    explicit MainWindowDriver(const QStringList &settings = {});
    ~MainWindowDriver();

    Ui_Main *window() const { return main.get(); }

    // Types the device's address into the connection page and presses its network connect button.
    bool connectTcp(quint16 port);
    // Types the serial line's path into the port box, chooses the line speed and presses the serial connect
    // button.
    bool connectSerial(const QString &path, const QString &baud = QStringLiteral("9600"));

    // Brings the tab that is or holds `widget` to the front by clicking it; true when the widget can be used.
    bool reach(QWidget *widget);
    bool showPage(QWidget *page) { return reach(page); }
    bool click(QAbstractButton *button);
    bool choose(QComboBox *combo, int index);
    bool type(QLineEdit *field, const QString &text);
    bool typeAndEnter(QLineEdit *field, const QString &text);

    // Stand-ins for a device: openLink() leaves LinkType (1 serial, 2 TCP client) and the connection page as
    // a successful connect does, without a transport; feed() delivers reply lines as the link session does;
    // identify() accepts a model, then forgets the status lines and messages that caused.
    void openLink(quint32 linkType);
    void feed(const QByteArrayList &lines);
    void identify(quint8 model);

    // How often the connection page's status box shows the "Sync Over!" marker, and waiting for it.
    int syncOverCount() const;
    bool waitForSyncOver(int count, int timeoutMs = 15000) const;

    // Texts of the message boxes and questions so far, and forgetting them with the unused answers.
    static QStringList messages();
    static void clearMessages();

    TestAppDir appDir;

    // Reply lines the window's link delivered since the window was made.
    int repliesReceived() const { return replies; }

private:
    std::unique_ptr<Ui_Main> main;
    int replies = 0;
};

// An operator's action in a table row, e.g. ACT(d.choose(out->hdcpCombo, 1)) with the driver `d`, the
// window `w` and its pages `out`, `mv`, `au`, `sys`: false when the operator could not do it.
using Act = bool (*)(MainWindowDriver &d, Ui_Main *w);
Q_DECLARE_METATYPE(Act)
#define ACT(...)                                                                                             \
    [](MainWindowDriver &d, Ui_Main *w) -> bool {                                                            \
        [[maybe_unused]] auto *out = w->outputPage;                                                          \
        [[maybe_unused]] auto *mv = w->multiviewPage;                                                        \
        [[maybe_unused]] auto *au = w->audioPage;                                                            \
        [[maybe_unused]] auto *sys = w->systemPage;                                                          \
        Q_UNUSED(d);                                                                                         \
        return __VA_ARGS__;                                                                                  \
    }

// Which button of a pair is shown as selected (flat): 0 the first, 1 the second, -1 none or both.
int flatOf(const QPushButton *first, const QPushButton *second);
// The selected source button in a window's row of the multiview grid; negative unless exactly one is.
int flatSource(const Ui_Multiview *page, int window);
