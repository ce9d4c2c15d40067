#include "widgets/MessageBoxSeam.h"

#include <QQueue>
#include <QStringList>

namespace {
struct SeamState
{
    bool active = false;
    QQueue<bool> answers;
    QList<MessageBoxSeam::Record> records;
};

SeamState &seam()
{
    static SeamState state;
    return state;
}
} // namespace

void MessageBoxSeam::activate()
{
    seam().active = true;
}

void MessageBoxSeam::pushAnswer(bool answer)
{
    seam().active = true;
    seam().answers.enqueue(answer);
}

bool MessageBoxSeam::isActive()
{
    return seam().active;
}

QList<MessageBoxSeam::Record> MessageBoxSeam::records()
{
    return seam().records;
}

QStringList MessageBoxSeam::texts()
{
    QStringList result;
    for (const Record &record : seam().records)
        result.append(record.text);
    return result;
}

int MessageBoxSeam::pendingAnswers()
{
    return seam().answers.size();
}

void MessageBoxSeam::reset()
{
    seam() = SeamState();
}

bool MessageBoxSeam::intercept(Kind kind, const QString &text, bool *answer)
{
    SeamState &state = seam();
    if (!state.active)
        return false;
    state.records.append(Record{text, kind});
    *answer = false;
    if (kind == Kind::Confirm && !state.answers.isEmpty())
        *answer = state.answers.dequeue();
    return true;
}
