#pragma once

#include "protocol/ValueTables.h"

#include <QByteArray>
#include <QList>

#include <initializer_list>

// One request line taken apart: the verb and the words after it.
struct SimRequest
{
    bool isGet = false;
    bool isSet = false;
    QList<QByteArray> words; // after the verb, separated by any run of spaces or tabs

    static SimRequest parse(const QByteArray &line);

    // True when the words after the verb begin with `object` (compared without regard to case); `args` then
    // receives the words after the object.
    bool is(std::initializer_list<const char *> object, QList<QByteArray> *args = nullptr) const;
    // The request text without its verb, words joined by single spaces.
    QByteArray withoutVerb() const;
};

// What the device does with a request: the reply lines (without line ending) and what follows them.
struct SimResponse
{
    enum class Action
    {
        None,
        ApplyBaudRate,
        ApplyNetwork,
        Reset
    };

    QList<QByteArray> lines;
    Action action = Action::None;
    bool changed = false; // the device state changed

    void add(const QByteArray &keyword, const QByteArray &value) { lines << keyword + ' ' + value; }
};

// Reading request values and writing them into the device state. A SET whose value is missing, unknown or
// out of range leaves the field as it is; the reply always carries the field's resulting value.
namespace SimEdit {

// Index of the table word equal to `word` without regard to case, or -1.
int wordIndex(const WordList &list, const QByteArray &word);
// Decimal number in [low, high], or false.
bool number(const QByteArray &word, int low, int high, int *value);

void setWord(const SimRequest &request, const QList<QByteArray> &args, const WordList &list, quint32 *field,
             SimResponse *response);
void setOnOff(const SimRequest &request, const QList<QByteArray> &args, bool *field, SimResponse *response);
void setNumber(const SimRequest &request, const QList<QByteArray> &args, int low, int high, int *field,
               SimResponse *response);

QByteArray onOffWord(bool on);

} // namespace SimEdit
