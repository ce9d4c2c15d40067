#include "pages/PageWidgets.h"

#include "protocol/Catalogue.h"
#include "session/LinkSession.h"
#include "widgets/ListComboBox.h"

#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTimer>

QFrame *makeBoxFrame(QWidget *parent)
{
    auto *frame = new QFrame(parent);
    frame->setFrameShape(QFrame::Box);
    frame->setFrameShadow(QFrame::Raised);
    return frame;
}

QLabel *centredLabel(QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QComboBox *makeCombo(QWidget *parent)
{
    return new ListComboBox(parent);
}

void refill(QComboBox *combo, const QStringList &items)
{
    combo->clear();
    combo->addItems(items);
}

void markSelected(const QList<QPushButton *> &group, QPushButton *selected)
{
    for (QPushButton *button : group)
        button->setFlat(button == selected);
}

void showDeviceValues(DeviceModel &device, QObject *page, ValueHandlers handlers)
{
    QObject::connect(&device, &DeviceModel::SGL_ValueReported, page,
                     [handlers = std::move(handlers)](const QString &key, const QString &value) {
                         const auto handler = handlers.find(key);
                         if (handler != handlers.end())
                             handler->second(value);
                     });
}

namespace {
// How long a value changed on the device stays marked.
constexpr int ChangeMarkMs = 3000;

void markChanged(QWidget *widget, bool changed)
{
    widget->setProperty("changedOnDevice", changed);
    widget->style()->unpolish(widget);
    widget->style()->polish(widget);
}

// The device's text for a field that waits while the operator edits it.
class WaitingText : public QObject
{
public:
    static constexpr const char *Name = "deviceText";

    explicit WaitingText(QLineEdit *field) : QObject(field), field(field)
    {
        setObjectName(QLatin1String(Name));
        field->installEventFilter(this);
        // Return sends what was typed: the device's answer to it follows.
        connect(field, &QLineEdit::returnPressed, this, [this] { waiting = false; });
    }

    void show(const QString &value)
    {
        text = value;
        waiting = field->hasFocus();
        if (!waiting)
            field->setText(text);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == field && event->type() == QEvent::FocusOut && waiting) {
            waiting = false;
            field->setText(text);
        }
        return false;
    }

private:
    QLineEdit *field;
    QString text;
    bool waiting = false;
};
} // namespace

void flashChangedValues(DeviceModel &device, QObject *page, std::map<QString, QList<QWidget *>> widgets)
{
    QObject::connect(&device, &DeviceModel::SGL_ValueChanged, page,
                     [widgets = std::move(widgets)](const QString &key, const QString &oldValue,
                                                    const QString &, bool own) {
                         const auto shown = widgets.find(key);
                         if (own || oldValue.isNull() || shown == widgets.end())
                             return;
                         for (QWidget *widget : shown->second) {
                             markChanged(widget, true);
                             QTimer::singleShot(ChangeMarkMs, widget,
                                                [widget] { markChanged(widget, false); });
                         }
                     });
}

void showDeviceText(QLineEdit *field, const QString &text)
{
    auto *waiting = static_cast<WaitingText *>(
        field->findChild<QObject *>(QLatin1String(WaitingText::Name), Qt::FindDirectChildrenOnly));
    if (!waiting)
        waiting = new WaitingText(field);
    waiting->show(text);
}

void readSettings(LinkSession &session, SetupGroup group)
{
    QList<QByteArray> asked;
    for (const Setting &key : Settings::all()) {
        const Request request =
            key.group == group ? ReadSetting(session.device().context(), key.name) : Request();
        if (!request.isNull() && !asked.contains(request.line)) {
            asked << request.line;
            session.send(request);
        }
    }
}
