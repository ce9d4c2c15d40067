#include "SimRequest.h"

SimRequest SimRequest::parse(const QByteArray &line)
{
    SimRequest request;
    const QList<QByteArray> all = line.simplified().split(' ');
    if (all.isEmpty())
        return request;
    const QByteArray verb = all.first().toUpper();
    request.isGet = verb == "GET";
    request.isSet = verb == "SET";
    if (request.isGet || request.isSet)
        request.words = all.mid(1);
    return request;
}

bool SimRequest::is(std::initializer_list<const char *> object, QList<QByteArray> *args) const
{
    if (words.size() < int(object.size()))
        return false;
    int i = 0;
    for (const char *word : object) {
        if (words.at(i).compare(word, Qt::CaseInsensitive) != 0)
            return false;
        ++i;
    }
    if (args)
        *args = words.mid(i);
    return true;
}

QByteArray SimRequest::withoutVerb() const
{
    QByteArray text;
    for (const QByteArray &word : words) {
        if (!text.isEmpty())
            text += ' ';
        text += word;
    }
    return text;
}

namespace SimEdit {

int wordIndex(const WordList &list, const QByteArray &word)
{
    for (int i = 0; i < list.count; ++i) {
        if (word.compare(list.items[i].wire, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

bool number(const QByteArray &word, int low, int high, int *value)
{
    bool ok = false;
    const int parsed = word.toInt(&ok, 10);
    if (!ok || parsed < low || parsed > high)
        return false;
    *value = parsed;
    return true;
}

void setWord(const SimRequest &request, const QList<QByteArray> &args, const WordList &list, quint32 *field,
             SimResponse *response)
{
    if (!request.isSet || args.isEmpty())
        return;
    const int index = wordIndex(list, args.first());
    if (index < 0 || quint32(index) == *field)
        return;
    *field = quint32(index);
    response->changed = true;
}

void setOnOff(const SimRequest &request, const QList<QByteArray> &args, bool *field, SimResponse *response)
{
    if (!request.isSet || args.isEmpty())
        return;
    const int index = wordIndex(Tables::OnOff, args.first());
    if (index < 0 || (index == 0) == *field)
        return;
    *field = index == 0;
    response->changed = true;
}

void setNumber(const SimRequest &request, const QList<QByteArray> &args, int low, int high, int *field,
               SimResponse *response)
{
    int value = 0;
    if (!request.isSet || args.isEmpty() || !number(args.first(), low, high, &value) || value == *field)
        return;
    *field = value;
    response->changed = true;
}

QByteArray onOffWord(bool on)
{
    return Tables::OnOff.at(on ? 0 : 1);
}

} // namespace SimEdit
