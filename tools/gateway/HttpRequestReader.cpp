#include "HttpRequestReader.h"

#include <QUrl>

#include <boost/beast/http/empty_body.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/string_body.hpp>

namespace http = boost::beast::http;

namespace {

QByteArray bytesOf(boost::beast::string_view text)
{
    return QByteArray(text.data(), int(text.size()));
}

// The method, path, query and headers of a parsed head; false when its target is no path.
template <class Body> bool takeHead(const http::request<Body> &message, HttpRequest *request)
{
    const QByteArray target = bytesOf(message.target());
    const QUrl url(QString::fromLatin1(target));
    if (!target.startsWith('/') || !url.isValid())
        return false;
    request->method = bytesOf(message.method_string());
    request->path = url.path(QUrl::FullyDecoded);
    request->query = QUrlQuery(url.query(QUrl::FullyEncoded));
    request->headers.clear();
    for (const auto &field : message) {
        QByteArray &held = request->headers[bytesOf(field.name_string()).toLower()];
        const QByteArray value = bytesOf(field.value());
        held = held.isEmpty() ? value : held + ", " + value;
    }
    return true;
}

} // namespace

struct HttpRequestReader::Parser
{
    Parser()
    {
        parser.header_limit(HeaderLimit);
        parser.body_limit(BodyLimit);
        parser.eager(true);
    }
    http::request_parser<http::string_body> parser;
};

HttpRequestReader::HttpRequestReader() : parser(std::make_unique<Parser>()) {}

HttpRequestReader::~HttpRequestReader() = default;

HttpRequestReader::Status HttpRequestReader::read(QByteArray &bytes, HttpRequest *request,
                                                  HttpResponse *refusal, bool *keepAlive)
{
    boost::system::error_code error;
    while (!bytes.isEmpty() && !parser->parser.is_done()) {
        const std::size_t used = parser->parser.put(
            boost::asio::const_buffer(bytes.constData(), std::size_t(bytes.size())), error);
        bytes.remove(0, int(used));
        if (error == http::error::need_more) {
            error = {};
            // What the parser leaves for later (a head, a chunk's size line) is bounded here too.
            if (bytes.size() > HeaderLimit + BodyLimit) {
                *refusal = HttpResponse::error(431, QStringLiteral("too_large"),
                                               QStringLiteral("the header is too large"));
                return Status::Refused;
            }
            break;
        }
        if (error)
            break;
    }
    if (error == http::error::body_limit) {
        *refusal = HttpResponse::error(413, QStringLiteral("too_large"),
                                       QStringLiteral("the body is larger than %1 bytes").arg(BodyLimit));
        return Status::Refused;
    }
    if (error == http::error::header_limit) {
        *refusal = HttpResponse::error(431, QStringLiteral("too_large"),
                                       QStringLiteral("the header is larger than %1 bytes").arg(HeaderLimit));
        return Status::Refused;
    }
    if (error) {
        *refusal = HttpResponse::error(
            400, QStringLiteral("bad_request"),
            QStringLiteral("not an HTTP request: %1").arg(QString::fromStdString(error.message())));
        return Status::Refused;
    }
    if (!parser->parser.is_done())
        return Status::NeedMore;
    const http::request<http::string_body> &message = parser->parser.get();
    if (!takeHead(message, request)) {
        *refusal = HttpResponse::error(400, QStringLiteral("bad_request"), QStringLiteral("not a path"));
        return Status::Refused;
    }
    request->body = QByteArray(message.body().data(), int(message.body().size()));
    *keepAlive = message.keep_alive();
    parser = std::make_unique<Parser>();
    return Status::Ready;
}

HttpRequestReader::Head HttpRequestReader::peekHead(const QByteArray &bytes, HttpRequest *request)
{
    http::request_parser<http::empty_body> peeked;
    peeked.header_limit(HeaderLimit);
    boost::system::error_code error;
    peeked.put(boost::asio::const_buffer(bytes.constData(), std::size_t(bytes.size())), error);
    if (error == http::error::need_more && bytes.size() < HeaderLimit)
        return Head::NeedMore;
    if (!peeked.is_header_done() || !peeked.upgrade() || !takeHead(peeked.get(), request))
        return Head::Other;
    request->body.clear();
    return Head::Upgrade;
}
