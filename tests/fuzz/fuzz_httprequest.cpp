// Bytes a client sends to the gateway's HTTP port, read into requests as they arrive in pieces (the first
// byte gives the size of each piece) and all at once. Each request read has a method, a path and a bounded
// body; a refusal is an error answer of the one error body; and the pieces never change the requests read.

#include "FuzzCheck.h"
#include "HttpRequestReader.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cstdint>

namespace {

struct Outcome
{
    QList<QByteArray> requests;
    int refusedWith = 0;
    // The same requests. Where both refuse, the status may differ: a head that is both too long and
    // malformed is refused for whichever the parser meets first, which depends on how the bytes arrived;
    // and bytes it cannot judge yet (a head with bare LF line ends, in pieces) may wait for more, which the
    // connection's time-out ends.
    bool agrees(const Outcome &other) const { return requests == other.requests; }
};

Outcome readAll(const QByteArray &bytes, int piece)
{
    HttpRequestReader reader;
    Outcome outcome;
    QByteArray pending;
    for (int at = 0; at < bytes.size() && outcome.refusedWith == 0; at += piece) {
        pending += bytes.mid(at, piece);
        for (;;) {
            HttpRequest request;
            HttpResponse refusal;
            bool keepAlive = true;
            const HttpRequestReader::Status status = reader.read(pending, &request, &refusal, &keepAlive);
            if (status == HttpRequestReader::Status::NeedMore)
                break;
            if (status == HttpRequestReader::Status::Refused) {
                FUZZ_CHECK(refusal.status == 400 || refusal.status == 413 || refusal.status == 431);
                const QJsonObject error =
                    QJsonDocument::fromJson(refusal.body).object().value(QLatin1String("error")).toObject();
                FUZZ_CHECK(!error.value(QLatin1String("message")).toString().isEmpty());
                outcome.refusedWith = refusal.status;
                break;
            }
            FUZZ_CHECK(!request.method.isEmpty() && request.path.startsWith(QLatin1Char('/')));
            FUZZ_CHECK(request.body.size() <= HttpRequestReader::BodyLimit);
            outcome.requests.append(request.method + ' ' + request.path.toUtf8() + ' ' +
                                    request.query.toString().toUtf8() + ' ' + request.header("host") + ' ' +
                                    request.body);
            if (pending.isEmpty())
                break;
        }
    }
    return outcome;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data) + 1, int(size - 1));
    FUZZ_CHECK(readAll(bytes, 1 + data[0] % 64).agrees(readAll(bytes, qMax(1, int(bytes.size())))));
    HttpRequest head;
    if (HttpRequestReader::peekHead(bytes, &head) == HttpRequestReader::Head::Upgrade)
        FUZZ_CHECK(head.path.startsWith(QLatin1Char('/')) && head.body.isEmpty());
    return 0;
}
