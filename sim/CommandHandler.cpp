#include "CommandHandler.h"

CommandHandler::CommandHandler(DeviceState &state)
    : s(state), factoryNetwork(state.network), system(state), output(state), multiview(state), audio(state)
{
}

SimResponse CommandHandler::handle(const QByteArray &line)
{
    SimResponse response;
    const SimRequest request = SimRequest::parse(line);
    if (request.isSet && request.words.size() == 1 && request.is({"RESET"})) {
        // The device restarts with its factory settings and sends nothing back.
        s = DeviceState::factory(s.modelName, factoryNetwork);
        response.changed = true;
        response.action = SimResponse::Action::Reset;
        return response;
    }
    if ((request.isGet || request.isSet) &&
        (system.handle(request, &response) || output.handle(request, &response) ||
         multiview.handle(request, &response) || audio.handle(request, &response)))
        return response;
    response = SimResponse();
    response.lines << unknownReply();
    return response;
}
