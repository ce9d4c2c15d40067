#pragma once

#include "config/LanguageTexts.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// Reading one reply line of the device: which keyword it carries, what its value says and which
// confirmation line it earns. Parsing changes nothing; the main window applies the result to the
// application state and the pages.

// A window word of a "MULTIVIEW-SYNC" report that leaves the window's source as it is.
constexpr int WindowSourceUnknown = -1; // a word that is in no input list of the model
constexpr int WindowSourceEmpty = -2;   // the "NULL" marker

// The content of a "MULTIVIEW-SYNC" report. Fields that belong to another layout than `resultingMode`
// keep their defaults.
struct MultiviewReport
{
    int mode = -1;             // word 1 in the multiview modes, -1 when it is in none
    quint32 resultingMode = 0; // `mode` when found, otherwise the multiview mode current before the line
    int windowSource[4] = {WindowSourceUnknown, WindowSourceUnknown, WindowSourceUnknown,
                           WindowSourceUnknown};

    // SINGLE: word 6 as text, word 7 in on/off (0, "ON", when it is in neither).
    QString inputResolution;
    int autoSwitch = 0;
    // PIP: word 6 in the PIP positions, word 7 in the PIP sizes, -1 when not found.
    int pipPosition = -1;
    int pipSize = -1;
    // PBP, 3xWIN, 4xWIN: word 6 in the aspects (-1 when not found), word 7 as the layout number n as read
    // (the layout index is n - 1 and only valid for n > 0), word 8 as the number of layouts, which is
    // applied whatever it is (also 0).
    int aspect = -1;
    int modeNumber = 0;
    bool hasModeCount = false;
    quint32 modeCount = 0;
};

struct ParsedReply
{
    // ReplyKeywordIndex of the first keyword (in table order) found in the line, -1 when there is none.
    int keyword = -1;
    // True when the line must be dropped without any effect and without a status line: no keyword, a row
    // that needs an identified model while there is none, or "PIP POS"/"PIP SIZE" outside the PIP layout
    // and the "... MODE"/"... ASPECT" rows of PBP, 3xWIN and 4xWIN outside those three layouts. An ignored
    // line with a keyword carries its keyword, value and text; nothing else is read from it.
    bool ignored = true;
    // True when the row hands something to a page: a looked-up word was found (also "MODEL TYPE"), a
    // volume lies within the model's range, a layout number is above 0, a "MAXMODE" count is not 0, or
    // the row passes its text, words or numbers on as they are. False for rows that do nothing.
    bool apply = false;

    QByteArray value; // the bytes after the keyword and one separator, up to the first CR
    QString text;     // the value decoded as text

    int index = -1;    // result of the row's table lookup, -1 when no entry was found
    int target = -1;   // window (WINDOWn IN)
    qint64 number = 0; // the row's integer (0 for a text that is not a number)
    QStringList words; // "NETWORK-INFO": words 1 to 4
    quint32 numbers[4] = {0, 0, 0, 0}; // "PBP-PRESENTER", "PIP USER": words 1 to 4; "RESO-USER": words 1, 2
    MultiviewReport multiview;         // "MULTIVIEW-SYNC"

    // True when the row confirms the reply with the line "Sync <label> Message." in the connection page's
    // status box (never for an ignored line); the label follows from the keyword.
    bool statusLine = false;
    // True when the "Sync Over!" marker follows the status line (end of the read-all sequence).
    bool syncOver = false;
};

// Parses one reply line given as Latin-1 bytes. `currentModel` is the identified model (5 or above:
// none; the per-model lookups then give -1 and the rows that need a model are ignored);
// `currentMultiviewMode` is the multiview layout shown before this line. Reads nothing beyond the line: a
// keyword or table word counts only when a space or CR of the line follows it, so in a line without CR the
// value runs to the end of the line but its last word matches no table entry.
ParsedReply parseReplyLine(const QByteArray &latin1Line, quint32 currentModel, quint32 currentMultiviewMode);

// The label of the line "Sync <label> Message." that confirms a reply of `keyword` (ReplyKeywordIndex) in the
// connection page's status box; null for a keyword whose replies earn none.
QString LanguageTexts::*statusLabelOf(int keyword);
