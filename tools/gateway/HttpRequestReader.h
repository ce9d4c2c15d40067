#pragma once

#include "HttpMessage.h"

#include <QByteArray>

#include <memory>

// Reads HTTP/1.x requests from the bytes of one connection, one request at a time, with the HTTP library's
// parser: a head over HeaderLimit bytes, a body over BodyLimit bytes, a target that is no path and anything
// that is not HTTP/1.x are refused with the answer to give.
class HttpRequestReader
{
public:
    static constexpr int HeaderLimit = 16 * 1024;
    static constexpr int BodyLimit = 64 * 1024;

    enum class Status
    {
        NeedMore, // the request is not whole yet; what was not taken stays in the bytes
        Ready,    // a request is whole; what follows it is left in the bytes
        Refused,  // not a request that is served: the connection answers and closes
    };
    // What a head peeked at says (the bytes stay unread).
    enum class Head
    {
        NeedMore,
        Upgrade, // a whole head that asks to become a WebSocket (the request holds it, without a body)
        Other,   // a whole head that does not, or no HTTP at all
    };

    HttpRequestReader();
    ~HttpRequestReader();

    // Takes bytes from the front of `bytes`. Ready: *request holds the request and *keepAlive whether the
    // client keeps the connection after it; the next call begins the next request. Refused: *refusal holds
    // the answer.
    Status read(QByteArray &bytes, HttpRequest *request, HttpResponse *refusal, bool *keepAlive);

    static Head peekHead(const QByteArray &bytes, HttpRequest *request);

private:
    struct Parser;
    std::unique_ptr<Parser> parser;
};
