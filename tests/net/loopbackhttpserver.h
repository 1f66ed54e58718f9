#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QMetaType>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <zlib.h>

#include <functional>

// A small HTTP/1.1 server on 127.0.0.1 for the network tests: routes by
// path with chosen status, headers and body, modes that hang, cut the body
// short, send it in timed chunks or without end, and a record of every
// request.
struct HttpRoute
{
    enum Mode { Normal, Hang, Truncate, Chunked, Endless };

    int status = 200;
    QByteArray reason = "OK";
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    Mode mode = Normal;
    // Chunked mode: bytes per write and the pause between writes.
    int chunkSize = 1024;
    int chunkDelayMs = 0;
    // Chunked mode: once holdFrom bytes are out, the rest trickles out a
    // byte per pause until releaseWhen holds, then goes on in chunks.
    int holdFrom = 0;
    std::function<bool()> releaseWhen;
    // Without a length the body ends when the connection closes.
    bool sendLength = true;
    // Endless mode: the body is written again each time the last copy has
    // gone out, until the client hangs up; past cap bytes the server gives
    // up, so a client that never stops reading cannot exhaust the machine.
    qint64 cap = 0;

    HttpRoute& header(const QByteArray& name, const QByteArray& value)
    {
        headers.append(qMakePair(name, value));
        return *this;
    }

    static HttpRoute json(const QByteArray& body)
    {
        HttpRoute route;
        route.header("Content-Type", "application/json");
        route.body = body;
        return route;
    }

    static HttpRoute file(const QByteArray& mime, const QByteArray& disposition, const QByteArray& body)
    {
        HttpRoute route;
        route.header("Content-Type", mime);
        if (!disposition.isNull())
            route.header("Content-Disposition", disposition);
        route.body = body;
        return route;
    }

    HttpRoute& gzipped()
    {
        body = gzip(body);
        return header("Content-Encoding", "gzip");
    }

    static QByteArray gzip(const QByteArray& data)
    {
        z_stream stream{};
        deflateInit2(&stream, 9, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
        QByteArray out(int(deflateBound(&stream, uLong(data.size()))) + 32, '\0');
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
        stream.avail_in = uInt(data.size());
        stream.next_out = reinterpret_cast<Bytef*>(out.data());
        stream.avail_out = uInt(out.size());
        deflate(&stream, Z_FINISH);
        out.truncate(int(stream.total_out));
        deflateEnd(&stream);
        return out;
    }
};

Q_DECLARE_METATYPE(HttpRoute)

struct HttpRequest
{
    QByteArray method;
    QByteArray target; // path and query as sent
    QByteArray path;
    QByteArray query;
    QMap<QByteArray, QByteArray> headers; // names in lower case
    QByteArray body;
};

class LoopbackHttpServer : public QObject
{
public:
    LoopbackHttpServer()
    {
        connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server.nextPendingConnection()) {
                socket->setParent(this);
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        server.listen(QHostAddress::LocalHost, 0);
    }

    bool isListening() const { return server.isListening(); }
    quint16 port() const { return server.serverPort(); }
    QString baseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort()); }
    QUrl url(const QString& pathAndQuery) const { return QUrl(baseUrl() + pathAndQuery); }

    // A route for a path, or for a path with one exact query.
    void setRoute(const QByteArray& target, const HttpRoute& route) { routes.insert(target, route); }
    void clearRoutes() { routes.clear(); }

    QList<HttpRequest> requests;
    // Body bytes handed to the socket by the last endless reply.
    qint64 endlessSent = 0;

    int countRequests(const QByteArray& path) const
    {
        int n = 0;
        for (const HttpRequest& request : requests)
            n += request.path == path;
        return n;
    }

private:
    void readFrom(QTcpSocket* socket)
    {
        QByteArray& buffer = pending[socket];
        buffer += socket->readAll();
        const int end = buffer.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        HttpRequest request;
        const QList<QByteArray> lines = buffer.left(end).split('\n');
        const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
        request.method = first.value(0);
        request.target = first.value(1);
        const int mark = request.target.indexOf('?');
        request.path = mark < 0 ? request.target : request.target.left(mark);
        request.query = mark < 0 ? QByteArray() : request.target.mid(mark + 1);
        for (int i = 1; i < lines.size(); ++i) {
            const int colon = lines[i].indexOf(':');
            if (colon > 0)
                request.headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
        }
        const int length = request.headers.value("content-length").toInt();
        if (buffer.size() < end + 4 + length)
            return;
        request.body = buffer.mid(end + 4, length);
        pending.remove(socket);
        requests.append(request);
        respond(socket, routes.value(request.target, routes.value(request.path, notFound())));
    }

    static HttpRoute notFound()
    {
        HttpRoute route = HttpRoute::file("text/plain", QByteArray(), "not found");
        route.status = 404;
        route.reason = "Not Found";
        return route;
    }

    void respond(QTcpSocket* socket, const HttpRoute& route)
    {
        if (route.mode == HttpRoute::Hang)
            return;
        QByteArray head = "HTTP/1.1 " + QByteArray::number(route.status) + ' ' + route.reason + "\r\n";
        for (const auto& header : route.headers)
            head += header.first + ": " + header.second + "\r\n";
        if (route.sendLength)
            head += "Content-Length: " + QByteArray::number(route.body.size()) + "\r\n";
        head += "Connection: close\r\n\r\n";
        socket->write(head);
        if (route.mode == HttpRoute::Normal) {
            socket->write(route.body);
            socket->disconnectFromHost();
        } else if (route.mode == HttpRoute::Endless) {
            sendEndless(socket, route);
        } else if (route.mode == HttpRoute::Truncate) {
            socket->write(route.body.left(route.body.size() / 2));
            socket->disconnectFromHost();
        } else {
            sendChunk(QPointer<QTcpSocket>(socket), route, 0);
        }
    }

    void sendEndless(QTcpSocket* socket, const HttpRoute& route)
    {
        endlessSent = 0;
        auto more = [this, socket, block = route.body, cap = route.cap] {
            while (socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() < block.size()) {
                if (endlessSent >= cap) {
                    socket->disconnectFromHost();
                    return;
                }
                socket->write(block);
                endlessSent += block.size();
            }
        };
        connect(socket, &QTcpSocket::bytesWritten, socket, more);
        more();
    }

    void sendChunk(QPointer<QTcpSocket> socket, const HttpRoute& route, int from)
    {
        if (!socket)
            return;
        const bool held = route.releaseWhen && from >= route.holdFrom && !route.releaseWhen();
        const int size = held ? 1 : route.chunkSize;
        socket->write(route.body.mid(from, size));
        socket->flush();
        if (from + size >= route.body.size()) {
            socket->disconnectFromHost();
            return;
        }
        QTimer::singleShot(route.chunkDelayMs, this, [=] { sendChunk(socket, route, from + size); });
    }

    QTcpServer server;
    QMap<QByteArray, HttpRoute> routes;
    QHash<QTcpSocket*, QByteArray> pending;
};
