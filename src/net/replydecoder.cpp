#include "net/replydecoder.h"

#include <QDebug>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <zlib.h>

namespace {

// Window bits 15 plus 32: zlib or gzip header, detected automatically.
const int autoHeaderWindowBits = 47;
const int chunkSize = 1024;
const int jsonBodyLimit = 4 << 20;
const int fileBodyLimit = 256 << 20;
// Enough of a bad body to see what the server sent instead.
const int loggedExcerpt = 200;

} // namespace

int ReplyDecoder::bodyLimit(const QByteArray& contentType)
{
    return contentType == "application/json" ? jsonBodyLimit : fileBodyLimit;
}

bool ReplyDecoder::inflate(const QByteArray& in, QByteArray& out, int limit)
{
    z_stream stream{};
    if (inflateInit2(&stream, autoHeaderWindowBits) != Z_OK)
        return false;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.constData()));
    stream.avail_in = static_cast<uInt>(in.size());
    out.clear();
    char chunk[chunkSize];
    int result = Z_OK;
    do {
        stream.next_out = reinterpret_cast<Bytef*>(chunk);
        stream.avail_out = chunkSize;
        result = ::inflate(&stream, Z_NO_FLUSH);
        if (result != Z_OK && result != Z_STREAM_END)
            break;
        const int produced = chunkSize - static_cast<int>(stream.avail_out);
        if (produced > limit - out.size()) {
            result = Z_BUF_ERROR;
            break;
        }
        out.append(chunk, produced);
        // A chunk that comes back short without the stream's end means the
        // input ran out: the body was cut off.
    } while (result == Z_OK && stream.avail_out == 0);
    inflateEnd(&stream);
    return result == Z_STREAM_END;
}

QString ReplyDecoder::dispositionFileName(const QByteArray& contentDisposition)
{
    QByteArray text = contentDisposition;
    const int nul = text.indexOf('\0');
    if (nul >= 0)
        text.truncate(nul);
    const int first = text.indexOf('"');
    if (first < 0)
        return QString();
    const int second = text.indexOf('"', first + 1);
    if (second < 0)
        return QString();
    return QString::fromUtf8(text.mid(first + 1, second - first - 1));
}

QVariantMap ReplyDecoder::decode(const QByteArray& contentType, const QByteArray& contentEncoding,
                                 const QByteArray& contentDisposition, const QByteArray& body)
{
    const int limit = bodyLimit(contentType);
    if (body.size() > limit) {
        qDebug("NetworkManager: body above %d bytes", limit);
        return QVariantMap();
    }
    QByteArray data = body;
    if (contentEncoding.contains("gzip")) {
        QByteArray inflated;
        if (!inflate(body, inflated, limit)) {
            qDebug("NetworkManager: gzip body of %d bytes does not inflate within %d bytes", int(body.size()), limit);
            return QVariantMap();
        }
        data = inflated;
    }
    if (contentType.isEmpty())
        return QVariantMap();
    if (contentType == "application/json") {
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(data, &error);
        if (error.error != QJsonParseError::NoError) {
            qDebug("NetworkManager: Parse failed with:%s%s", data.left(loggedExcerpt).constData(),
                   data.size() > loggedExcerpt ? " ..." : "");
            return QVariantMap();
        }
        return document.isObject() ? document.object().toVariantMap() : QVariantMap();
    }
    QVariantMap file;
    file.insert(QStringLiteral("mime"), QString::fromLatin1(contentType));
    file.insert(QStringLiteral("filename"), dispositionFileName(contentDisposition));
    file.insert(QStringLiteral("data"), data);
    return file;
}
