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
    // An empty map when the body cannot be used: a gzip body that does not
    // inflate to its end, no content type, JSON that does not parse or is
    // not an object.
    static QVariantMap decode(const QByteArray& contentType, const QByteArray& contentEncoding,
                              const QByteArray& contentDisposition, const QByteArray& body);

    // Inflates a gzip or zlib stream. False unless the whole stream ends
    // cleanly; out is then undefined.
    static bool inflate(const QByteArray& in, QByteArray& out);

    // The text between the first two double quotes, up to a NUL byte.
    static QString dispositionFileName(const QByteArray& contentDisposition);
};
