#include "protocol/ReplyParser.h"

#include "protocol/ByteHelpers.h"
#include "protocol/DeviceContext.h"
#include "protocol/ReplyKeywords.h"
#include "protocol/Settings.h"
#include "protocol/ValueTables.h"

namespace {

// A stretch of the reply line. Every range handed to FindKeyword lies inside the line, and the line's end
// is passed along, so the byte after a match is read only when the line has it.
struct Range
{
    const char *data;
    quint32 length;
};

struct Line
{
    const char *data;
    quint32 length;
    const char *end() const { return data + length; }
};

// Index of the first entry of the list that occurs as a whole word in the range, or -1.
int lookUp(const WordList &list, Range range, const Line &line)
{
    for (int i = 0; i < list.count; ++i) {
        const char *word = list.items[i].wire;
        if (FindKeyword(range.data, range.length, word, TextLength(word), line.end()))
            return i;
    }
    return -1;
}

// Word n (1-based) of the value; a value with fewer words gives its last word.
Range wordOf(Range value, int n)
{
    quint32 start = 0;
    const quint32 length = FieldOfLine(value.data, value.length, n, &start);
    return Range{value.data + start, length};
}

QString textOf(Range range)
{
    return BytesToText(range.data, range.length);
}
int intOf(Range range)
{
    return textOf(range).toInt();
}
quint32 uintOf(Range range)
{
    return textOf(range).toUInt();
}

bool hasModel(quint32 model)
{
    return model < NoModel;
}

bool isSplitMode(quint32 mode)
{
    return mode == ModePbp || mode == Mode3xWin || mode == Mode4xWin;
}

// Where the keyword stands as whole words in the line: at its start or after a space or a control byte (as
// the link's rule that releases a command has it), and followed by a space or CR. A line is thus applied
// exactly when it could answer a command: "XOUT HDCP" is no "OUT HDCP", and "SUB-VERSION" no "VERSION".
const char *findWholeKeyword(const Line &line, const char *keyword)
{
    const quint32 length = TextLength(keyword);
    for (quint32 from = 0; from < line.length;) {
        const char *found = FindKeyword(line.data + from, line.length - from, keyword, length, line.end());
        if (!found)
            return nullptr;
        if (found == line.data || found[-1] == ' ' || uchar(found[-1]) < 0x20)
            return found;
        from = quint32(found - line.data) + 1;
    }
    return nullptr;
}

// First keyword of the table found in the line, and its offset; -1 when there is none.
int findKeyword(const Line &line, quint32 *offset)
{
    for (int k = 0; k < Tables::SearchedReplyKeywords; ++k) {
        if (const char *found = findWholeKeyword(line, Tables::ReplyKeywords.items[k].wire)) {
            *offset = quint32(found - line.data);
            return k;
        }
    }
    return -1;
}

MultiviewReport parseMultiview(Range value, const Line &line, quint32 model, quint32 currentMode)
{
    MultiviewReport report;
    report.mode = lookUp(Tables::MultiviewModes, wordOf(value, 1), line);
    report.resultingMode = report.mode >= 0 ? quint32(report.mode) : currentMode;

    const WordList &inputs = Tables::inputSources(model);
    const char *emptyWindow = Tables::EmptyWindow;
    for (int w = 0; w < 4; ++w) {
        const Range word = wordOf(value, w + 2);
        if (FindKeyword(word.data, word.length, emptyWindow, TextLength(emptyWindow), line.end()))
            report.windowSource[w] = WindowSourceEmpty;
        else
            report.windowSource[w] = lookUp(inputs, word, line);
    }

    const Range sixth = wordOf(value, 6);
    const Range seventh = wordOf(value, 7);
    if (report.resultingMode == ModeSingle) {
        report.inputResolution = textOf(sixth);
        report.autoSwitch = qMax(lookUp(Tables::OnOff, seventh, line), 0);
    } else if (report.resultingMode == ModePip) {
        report.pipPosition = lookUp(Tables::PipPositions, sixth, line);
        report.pipSize = lookUp(Tables::PipSizes, seventh, line);
    } else if (isSplitMode(report.resultingMode)) {
        report.aspect = lookUp(Tables::Aspects, sixth, line);
        report.modeNumber = intOf(seventh);
        report.hasModeCount = true;
        report.modeCount = uintOf(wordOf(value, 8));
    }
    return report;
}

// Whether the line is dropped because the row's preconditions do not hold.
bool precondition(int keyword, quint32 model, quint32 mode)
{
    switch (keyword) {
    case KwInSource:
    case KwWindow1In:
    case KwWindow2In:
    case KwWindow3In:
    case KwWindow4In:
    case KwAudioSource:
    case KwMultiviewSync:
        return hasModel(model);
    case KwPipPos:
    case KwPipSize:
        return hasModel(model) && mode == ModePip;
    case KwPbpMode:
    case KwPbpAspect:
    case Kw3xWinMode:
    case Kw3xWinAspect:
    case Kw4xWinMode:
    case Kw4xWinAspect:
        return hasModel(model) && isSplitMode(mode);
    default:
        return true;
    }
}

// Sets index and apply for a row that looks its value up in a list.
void lookUpValue(ParsedReply &reply, const WordList &list, Range value, const Line &line)
{
    reply.index = lookUp(list, value, line);
    reply.apply = reply.index >= 0;
}

// Fills in what the keyword's row reads from the value: a setting of the settings table is looked up in its
// list, or read as a number in its range; the other rows read what they need themselves.
void parseValue(ParsedReply &reply, Range value, const Line &line, quint32 model, quint32 mode)
{
    if (const Setting *key = Settings::ofKeyword(reply.keyword)) {
        if (key->words) {
            lookUpValue(reply, key->words(model), value, line);
        } else {
            const std::pair<int, int> range = Settings::range(*key, model, {});
            reply.number = intOf(value);
            reply.apply = reply.number >= range.first && reply.number <= range.second;
        }
        return;
    }
    if (isVersionKeyword(reply.keyword)) {
        reply.apply = true;
        return;
    }
    switch (reply.keyword) {
    case KwInResolution:
    case KwEdidUser:
        reply.apply = true;
        break;
    case KwInSource:
        lookUpValue(reply, Tables::inputSources(model), value, line);
        break;
    case KwWindow1In:
    case KwWindow2In:
    case KwWindow3In:
    case KwWindow4In:
        reply.target = reply.keyword - KwWindow1In;
        lookUpValue(reply, Tables::inputSources(model), value, line);
        break;
    case KwPbpMode:
    case Kw3xWinMode:
    case Kw4xWinMode:
        reply.number = intOf(value);
        reply.apply = reply.number > 0;
        break;
    case KwPbpAspect:
    case Kw3xWinAspect:
    case Kw4xWinAspect:
        lookUpValue(reply, Tables::Aspects, value, line);
        break;
    case KwModelType:
        lookUpValue(reply, Tables::Models, value, line);
        break;
    case KwMaxMode:
        reply.number = uintOf(value);
        reply.apply = reply.number != 0;
        break;
    case KwMultiviewSync:
        reply.multiview = parseMultiview(value, line, model, mode);
        reply.apply = true;
        break;
    case KwNetworkInfo:
        for (int n = 1; n <= 4; ++n)
            reply.words << textOf(wordOf(value, n));
        reply.apply = true;
        break;
    case KwBaudrate:
        reply.number = intOf(wordOf(value, 1));
        reply.apply = true;
        break;
    case KwPbpPresenter:
    case KwPipUser:
        for (int n = 0; n < 4; ++n)
            reply.numbers[n] = uintOf(wordOf(value, n + 1));
        reply.apply = true;
        break;
    case KwResoUser:
        reply.numbers[0] = uintOf(wordOf(value, 1));
        reply.numbers[1] = uintOf(wordOf(value, 2));
        reply.apply = true;
        break;
    default:
        break;
    }
}

} // namespace

QString LanguageTexts::*statusLabelOf(int keyword)
{
    if (const Setting *key = Settings::ofKeyword(keyword))
        return key->statusLabel;
    switch (keyword) {
    case KwMultiviewSync:
        return &LanguageTexts::Ui_Multiview_AppName;
    case KwNetworkInfo:
        return &LanguageTexts::Slabel_Network;
    case KwBaudrate:
        return &LanguageTexts::Slabel_Baudrate;
    default:
        return nullptr;
    }
}

ParsedReply parseReplyLine(const QByteArray &latin1Line, quint32 currentModel, quint32 currentMultiviewMode)
{
    ParsedReply reply;
    const Line line{latin1Line.constData(), quint32(latin1Line.size())};
    quint32 offset = 0;
    reply.keyword = findKeyword(line, &offset);
    if (reply.keyword < 0)
        return reply;

    // The value starts one byte after the keyword, whatever that byte is, and ends before the next CR (or
    // at the end of a line that has none). A keyword directly followed by CR has an empty value.
    const quint32 keywordEnd = offset + TextLength(Tables::ReplyKeywords.items[reply.keyword].wire);
    quint32 valueEnd = keywordEnd;
    while (valueEnd < line.length && line.data[valueEnd] != '\r')
        ++valueEnd;
    const quint32 valueStart = qMin(keywordEnd + 1, valueEnd);
    const Range value{line.data + valueStart, valueEnd - valueStart};
    reply.value = QByteArray(value.data, int(value.length));
    reply.text = textOf(value);

    reply.ignored = !precondition(reply.keyword, currentModel, currentMultiviewMode);
    if (reply.ignored)
        return reply;
    parseValue(reply, value, line, currentModel, currentMultiviewMode);
    reply.statusLine = statusLabelOf(reply.keyword) != nullptr;
    reply.syncOver = reply.keyword == KwNetworkInfo || reply.keyword == KwBaudrate;
    return reply;
}
