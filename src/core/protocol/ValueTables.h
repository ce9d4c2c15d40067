#pragma once

#include <QByteArray>
#include <QStringList>
#include <QtGlobal>

// One value of a list: the ASCII word that travels on the wire and the text a page shows for it (null: the
// page shows the wire word).
struct Word
{
    const char *wire;
    const char *display = nullptr;
};

// A constant list of words; the index of a word is the value that pages, the device model's mirror and
// the request builders use, its wire word is what travels on the wire and is kept in files.
struct WordList
{
    const Word *items;
    int count;

    const char *wire(quint32 index) const { return index < quint32(count) ? items[index].wire : nullptr; }
    QByteArray at(quint32 index) const { return QByteArray(wire(index)); }
    bool contains(quint32 index) const { return index < quint32(count); }
    // Index of the word whose wire word equals `word` exactly, or -1.
    int indexOf(const QByteArray &word) const;
    // The wire words, and the texts shown for them, in list order.
    QStringList toStringList() const;
    QStringList displayList() const;
};

enum ModelIndex : quint8
{
    ModelRKA204QE = 0,
    ModelRKA07QE = 1,
    ModelRKA386QE = 2,
    ModelTN386 = 3,
    ModelTN204E = 4
};
enum MultiviewModeIndex : quint32
{
    ModeSingle = 0,
    ModePip = 1,
    ModePbp = 2,
    Mode3xWin = 3,
    Mode4xWin = 4
};
// The entries of the PIP lists and the PBP layout that give the window a rectangle of its own.
constexpr quint32 PipUserPosition = 4;       // "USER" among the PIP positions
constexpr quint32 PipUserSize = 3;           // "USER" among the PIP sizes
constexpr quint32 PbpPresenterModeIndex = 2; // PBP layout mode 3

namespace Tables {

extern const WordList OnOff;
extern const WordList WindowNames;
extern const WordList Models;
extern const WordList OutputResolutions;
extern const WordList HdcpModes;
extern const WordList VkaModes;
extern const WordList MultiviewModes;
extern const WordList PipPositions;
extern const WordList PipSizes;
extern const WordList Aspects;
extern const WordList EdidModes;
extern const char *const EmptyWindow; // "NULL"

// Per-model lists; an empty list for a model index outside 0..4.
const WordList &inputSources(quint32 model);
const WordList &audioSources(quint32 model);
// Number of video inputs (5, 4, 9, 9, 5); 0 for no model.
quint32 inputCount(quint32 model);
// Highest volume the model accepts for the audio volume and the microphones (50 on TN386, else 100).
int volumeLimit(quint32 model);
// Firmware parts offered by the model: 0 Main, 1 Sub, 2 Expand, 3 KeyBoard.
QList<int> firmwareParts(quint32 model);

// Lists of the connection page's combo boxes.
extern const WordList BaudRates;
extern const WordList DataBits;
extern const WordList Parities;
extern const WordList StopBits;
extern const WordList FlowControls;
extern const WordList NetworkModes;

} // namespace Tables
