#include "MultiviewCommands.h"

#include "protocol/LayoutCatalogue.h"

namespace {

// Split layouts PBP, 3xWIN, 4xWIN are multiview modes 2, 3, 4 and slots 0, 1, 2 of the per-layout fields.
constexpr quint32 FirstSplitMode = ModePbp;
constexpr int RectangleLimit = 65535;

bool isSplit(quint32 mode)
{
    return mode >= FirstSplitMode && mode <= Mode4xWin;
}

QByteArray spacedNumbers(const std::array<quint32, 4> &values)
{
    QByteArray text;
    for (quint32 value : values) {
        if (!text.isEmpty())
            text += ' ';
        text += QByteArray::number(value);
    }
    return text;
}

} // namespace

QByteArray MultiviewCommands::syncValue() const
{
    const MultiviewState &m = s.multiview;
    QByteArray value = Tables::MultiviewModes.at(m.mode);
    for (int w = 0; w < 4; ++w) {
        value += ' ';
        value += w < LayoutCatalogue::windowCount(m.mode)
                     ? Tables::inputSources(s.model).at(m.windows[size_t(w)])
                     : QByteArray(Tables::EmptyWindow);
    }
    value += ' ';
    if (m.mode == ModeSingle) {
        value += s.inputResolution.toLatin1() + ' ' + SimEdit::onOffWord(m.autoSwitch);
    } else if (m.mode == ModePip) {
        value += Tables::PipPositions.at(m.pipPosition) + ' ' + Tables::PipSizes.at(m.pipSize);
    } else {
        const size_t slot = m.mode - FirstSplitMode;
        value += Tables::Aspects.at(m.aspect[slot]) + ' ' + QByteArray::number(m.layoutMode[slot]) + ' ' +
                 QByteArray::number(LayoutCatalogue::modeCount(m.mode));
    }
    return value;
}

bool MultiviewCommands::handle(const SimRequest &request, SimResponse *response)
{
    MultiviewState &m = s.multiview;
    QList<QByteArray> args;
    if (request.is({"MULTIVIEW-SYNC"})) {
        response->add("MULTIVIEW-SYNC", syncValue());
        return true;
    }
    if (request.is({"MULTIVIEW"}, &args)) {
        SimEdit::setWord(request, args, Tables::MultiviewModes, &m.mode, response);
        response->add("MULTIVIEW", Tables::MultiviewModes.at(m.mode));
        return true;
    }
    for (int w = 0; w < 4; ++w) {
        if (request.is({Tables::WindowNames.wire(quint32(w)), "IN"}, &args)) {
            SimEdit::setWord(request, args, Tables::inputSources(s.model), &m.windows[size_t(w)], response);
            response->add(Tables::WindowNames.at(quint32(w)) + " IN",
                          Tables::inputSources(s.model).at(m.windows[size_t(w)]));
            return true;
        }
    }
    if (request.is({"PIP", "POS"}, &args)) {
        SimEdit::setWord(request, args, Tables::PipPositions, &m.pipPosition, response);
        response->add("PIP POS", Tables::PipPositions.at(m.pipPosition));
        return true;
    }
    if (request.is({"PIP", "SIZE"}, &args)) {
        SimEdit::setWord(request, args, Tables::PipSizes, &m.pipSize, response);
        response->add("PIP SIZE", Tables::PipSizes.at(m.pipSize));
        return true;
    }
    if (request.is({"AUTO", "SWITCH"}, &args)) {
        SimEdit::setOnOff(request, args, &m.autoSwitch, response);
        response->add("AUTO SWITCH", SimEdit::onOffWord(m.autoSwitch));
        return true;
    }
    if (request.is({"MAXMODE"})) {
        response->add("MAXMODE", QByteArray::number(LayoutCatalogue::modeCount(m.mode)));
        return true;
    }
    return splitLayout(request, response) || rectangle(request, response) || scene(request, response);
}

// "<layout> MODE n" and "<layout> ASPECT word". A change is applied only to the layout that is showing;
// a change naming another layout is refused with the showing layout's value.
bool MultiviewCommands::splitLayout(const SimRequest &request, SimResponse *response)
{
    MultiviewState &m = s.multiview;
    for (quint32 mode = FirstSplitMode; mode <= Mode4xWin; ++mode) {
        QList<QByteArray> args;
        const char *const layoutWord = Tables::MultiviewModes.wire(mode);
        const bool modeRequest = request.is({layoutWord, "MODE"}, &args);
        if (!modeRequest && !request.is({layoutWord, "ASPECT"}, &args))
            continue;
        quint32 target = mode;
        if (request.isSet && mode != m.mode) {
            if (isSplit(m.mode))
                target = m.mode;
            args.clear();
        }
        const size_t slot = target - FirstSplitMode;
        const QByteArray targetWord = Tables::MultiviewModes.at(target);
        if (modeRequest) {
            int layoutMode = int(m.layoutMode[slot]);
            SimEdit::setNumber(request, args, 1, int(LayoutCatalogue::modeCount(target)), &layoutMode,
                               response);
            m.layoutMode[slot] = quint32(layoutMode);
            response->add(targetWord + " MODE", QByteArray::number(m.layoutMode[slot]));
        } else {
            SimEdit::setWord(request, args, Tables::Aspects, &m.aspect[slot], response);
            response->add(targetWord + " ASPECT", Tables::Aspects.at(m.aspect[slot]));
        }
        return true;
    }
    return false;
}

bool MultiviewCommands::rectangle(const SimRequest &request, SimResponse *response)
{
    QList<QByteArray> args;
    std::array<quint32, 4> *field = nullptr;
    QByteArray keyword;
    if (request.is({"PIP", "USER"}, &args)) {
        field = &s.multiview.pipUser;
        keyword = "PIP USER";
    } else if (request.is({"PBP-PRESENTER"}, &args)) {
        field = &s.multiview.pbpPresenter;
        keyword = "PBP-PRESENTER";
    } else {
        return false;
    }
    if (request.isSet && args.size() >= 4) {
        std::array<quint32, 4> written{};
        bool valid = true;
        for (int i = 0; i < 4 && valid; ++i) {
            int value = 0;
            valid = SimEdit::number(args.at(i), 0, RectangleLimit, &value);
            written[size_t(i)] = quint32(value);
        }
        if (valid && written != *field) {
            *field = written;
            response->changed = true;
        }
    }
    response->add(keyword, spacedNumbers(*field));
    return true;
}

bool MultiviewCommands::scene(const SimRequest &request, SimResponse *response)
{
    QList<QByteArray> args;
    const bool save = request.is({"SAVE", "SCENE"}, &args);
    if (!request.isSet || (!save && !request.is({"LOAD", "SCENE"}, &args)))
        return false;
    const QByteArray keyword = save ? "SAVE SCENE" : "LOAD SCENE";
    int number = 0;
    if (args.isEmpty() || !SimEdit::number(args.first(), 1, DeviceState::SceneCount, &number)) {
        response->add(keyword, "ERROR");
        return true;
    }
    MultiviewState &sceneState = s.scenes[size_t(number - 1)];
    MultiviewState &target = save ? sceneState : s.multiview;
    const MultiviewState &source = save ? s.multiview : sceneState;
    if (!(target == source)) {
        target = source;
        response->changed = true;
    }
    response->add(keyword, QByteArray::number(number));
    return true;
}
