#include "widgets/MessageBoxSeam.h"

#include <QQueue>
#include <QStringList>

#include <algorithm>

namespace {
struct BoxSeamState
{
    bool active = false;
    QQueue<bool> answers;
    QList<MessageBoxSeam::Record> records;
};

// Ids of lasting messages are never reused, also not after a reset.
int lastIssuedId = 0;

BoxSeamState &boxSeam()
{
    static BoxSeamState state;
    return state;
}
} // namespace

void MessageBoxSeam::activate()
{
    boxSeam().active = true;
}

void MessageBoxSeam::pushAnswer(bool answer)
{
    boxSeam().active = true;
    boxSeam().answers.enqueue(answer);
}

bool MessageBoxSeam::isActive()
{
    return boxSeam().active;
}

QList<MessageBoxSeam::Record> MessageBoxSeam::records()
{
    return boxSeam().records;
}

QStringList MessageBoxSeam::texts()
{
    QStringList result;
    for (const Record &record : boxSeam().records)
        result.append(record.text);
    return result;
}

int MessageBoxSeam::pendingAnswers()
{
    return boxSeam().answers.size();
}

void MessageBoxSeam::reset()
{
    boxSeam() = BoxSeamState();
}

bool MessageBoxSeam::intercept(Kind kind, const QString &text, bool *answer)
{
    BoxSeamState &state = boxSeam();
    if (!state.active)
        return false;
    state.records.append(Record{text, kind});
    *answer = false;
    if (kind == Kind::Confirm && !state.answers.isEmpty())
        *answer = state.answers.dequeue();
    return true;
}

int MessageBoxSeam::openLasting(const QString &text)
{
    BoxSeamState &state = boxSeam();
    if (!state.active)
        return 0;
    state.records.append(Record{text, Kind::Message, ++lastIssuedId});
    return lastIssuedId;
}

bool MessageBoxSeam::isLastingOpen(int id)
{
    const QList<Record> &records = boxSeam().records;
    return id != 0 && std::any_of(records.begin(), records.end(),
                                  [id](const Record &record) { return record.lastingId == id; });
}

bool MessageBoxSeam::updateLasting(int id, const QString &text)
{
    for (Record &record : boxSeam().records) {
        if (id != 0 && record.lastingId == id) {
            record.text = text;
            return true;
        }
    }
    return false;
}
