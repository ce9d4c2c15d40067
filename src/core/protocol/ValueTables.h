#pragma once

#include <QByteArray>
#include <QStringList>
#include <QtGlobal>

// A constant list of ASCII words; the index of a word is the value that pages, the application state and
// the request builders use, the word is what travels on the wire.
struct WordList
{
    const char *const *words;
    int count;

    QByteArray at(quint32 index) const
    {
        return index < quint32(count) ? QByteArray(words[index]) : QByteArray();
    }
    bool contains(quint32 index) const { return index < quint32(count); }
    // Index of the word that equals `word` exactly, or -1.
    int indexOf(const QByteArray &word) const;
    QStringList toStringList() const;
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
bool hasNetworkSettings(quint32 model);
bool has4KAuto(quint32 model);

// Display lists shown in combo boxes (not language dependent).
extern const WordList BaudRates;
extern const WordList DataBits;
extern const WordList Parities;
extern const WordList StopBits;
extern const WordList FlowControls;
extern const WordList NetworkModes;
extern const WordList EdidModeDisplay;
extern const WordList HdcpDisplay;

} // namespace Tables
