#pragma once

#include <QList>
#include <QString>

// Lets tests take the place of the operator at ShowMessage and ShowConfirm. While the seam is active no
// box opens: each call is recorded and ShowConfirm returns the next pre-set answer (false when none is
// left). Inactive (the default), real boxes are shown.
class MessageBoxSeam
{
public:
    enum class Kind
    {
        Message,
        Confirm
    };

    struct Record
    {
        QString text;
        Kind kind;
        // Non-zero for a box that stays open without blocking (LastingMessage).
        int lastingId = 0;
    };

    // Turns the seam on without answers: messages are recorded, questions answered "NO".
    static void activate();
    // Turns the seam on and queues the answer of a later ShowConfirm (first in, first out). Messages do not
    // consume answers.
    static void pushAnswer(bool answer);
    static bool isActive();

    static QList<Record> records();
    // Texts of the recorded calls, in order.
    static QStringList texts();
    // Answers not yet used.
    static int pendingAnswers();

    // Seam off, records and answers cleared.
    static void reset();

    // Used by ShowMessage / ShowConfirm: when active, records the call, sets *answer and returns true.
    static bool intercept(Kind kind, const QString &text, bool *answer);
    // Used by LastingMessage: when active, records a message that counts as open until the seam is reset and
    // returns its id (0 when the seam is inactive).
    static int openLasting(const QString &text);
    static bool isLastingOpen(int id);
    // Shows `text` in the recorded lasting message; false when it is no longer open.
    static bool updateLasting(int id, const QString &text);
};
