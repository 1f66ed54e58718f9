#pragma once

#include <QByteArray>
#include <QString>
#include <QVariantMap>

// Turns the headers and body of a successful HTTP reply into the client's
// map: the parsed object of a JSON reply, or "mime", "filename" and "data"
// of a file. Kept apart from the network classes so that untrusted bytes can
// be fed to it directly.
class ReplyDecoder
{
public:
    // Largest body, as received or inflated, that a reply of this content
    // type may have: a JSON reply is a short version list, a file may be a
    // whole installer. Both stay far below what one byte array can hold.
    static int bodyLimit(const QByteArray& contentType);

    // An empty map when the body cannot be used: a body or an inflated body
    // above the limit, a gzip body that does not inflate to its end, no
    // content type, JSON that does not parse or is not an object.
    static QVariantMap decode(const QByteArray& contentType, const QByteArray& contentEncoding,
                              const QByteArray& contentDisposition, const QByteArray& body);

    // Inflates a gzip or zlib stream. False unless the whole stream ends
    // cleanly within limit bytes of output; out is then undefined.
    static bool inflate(const QByteArray& in, QByteArray& out, int limit);

    // The text between the first two double quotes, up to a NUL byte.
    static QString dispositionFileName(const QByteArray& contentDisposition);
};
