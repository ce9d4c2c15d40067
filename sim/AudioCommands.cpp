#include "AudioCommands.h"

#include <algorithm>

bool AudioCommands::handle(const SimRequest &request, SimResponse *response)
{
    QList<QByteArray> args;
    if (request.is({"AUDIO", "SOURCE"}, &args)) {
        SimEdit::setWord(request, args, Tables::audioSources(s.model), &s.audioSource, response);
        response->add("AUDIO SOURCE", Tables::audioSources(s.model).at(s.audioSource));
        return true;
    }
    if (volume(request, "AUDIO", "VOL", &s.volume, response))
        return true;
    if (request.is({"AUDIO-MUTE"}, &args)) {
        SimEdit::setOnOff(request, args, &s.mute, response);
        response->add("AUDIO-MUTE", SimEdit::onOffWord(s.mute));
        return true;
    }
    if (s.model != ModelTN386)
        return false;
    if (request.is({"MAIN-AUDIO", "ONOFF"}, &args)) {
        SimEdit::setOnOff(request, args, &s.mainAudio, response);
        response->add("MAIN-AUDIO ONOFF", SimEdit::onOffWord(s.mainAudio));
        return true;
    }
    const char *const micWords[] = {"MIC1", "MIC2"};
    for (int mic = 0; mic < 2; ++mic) {
        if (request.is({micWords[mic], "ONOFF"}, &args)) {
            SimEdit::setOnOff(request, args, &s.micOn[size_t(mic)], response);
            response->add(QByteArray(micWords[mic]) + " ONOFF", SimEdit::onOffWord(s.micOn[size_t(mic)]));
            return true;
        }
        if (volume(request, micWords[mic], "VOL", &s.micVolume[size_t(mic)], response))
            return true;
    }
    return false;
}

bool AudioCommands::volume(const SimRequest &request, const char *first, const char *second, int *field,
                           SimResponse *response)
{
    const int limit = Tables::volumeLimit(s.model);
    const QByteArray keyword = QByteArray(first) + ' ' + second;
    const QByteArray up = QByteArray(second) + '+';
    const QByteArray down = QByteArray(second) + '-';
    QList<QByteArray> args;
    int step = 0;
    if (request.is({first, up.constData()}))
        step = 1;
    else if (request.is({first, down.constData()}))
        step = -1;
    else if (!request.is({first, second}, &args))
        return false;
    if (step != 0 && request.isSet) {
        const int stepped = std::clamp(*field + step, 0, limit);
        response->changed = stepped != *field;
        *field = stepped;
    } else if (step == 0) {
        SimEdit::setNumber(request, args, 0, limit, field, response);
    }
    response->add(keyword, QByteArray::number(*field));
    return true;
}
