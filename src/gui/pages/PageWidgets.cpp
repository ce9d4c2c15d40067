#include "pages/PageWidgets.h"

#include "protocol/Catalogue.h"
#include "session/LinkSession.h"

#include <QComboBox>
#include <QFrame>
#include <QListView>
#include <QPushButton>

QFrame *makeBoxFrame(QWidget *parent)
{
    auto *frame = new QFrame(parent);
    frame->setFrameShape(QFrame::Box);
    frame->setFrameShadow(QFrame::Raised);
    return frame;
}

QComboBox *makeCombo(QWidget *parent)
{
    auto *combo = new QComboBox(parent);
    combo->setView(new QListView(combo));
    return combo;
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

void readSettings(LinkSession &session, SetupGroup group)
{
    QList<QByteArray> asked;
    for (const SetupKey &key : SetupKeys::all()) {
        const Request request =
            key.group == group ? ReadSetting(session.device().context(), key.name) : Request();
        if (!request.isNull() && !asked.contains(request.line)) {
            asked << request.line;
            session.send(request);
        }
    }
}
