// Feeds a reply's headers and body to the network client's decoding: gzip
// inflation, JSON or file map, and then what the update service does with
// the result: version texts parsed and compared, the server's file name
// reduced to a name inside the download folder.
// Input: header lines "Name: value", an empty line, then the body bytes.
#include "net/downloadmanager.h"
#include "net/replydecoder.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariantMap>

#include <cstdint>
#include <cstdlib>

namespace {

void checkFileName(const QString& serverName)
{
    const QString name = DownloadManager::safeFileName(serverName);
    if (name.isEmpty())
        return;
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) || name == QLatin1String(".")
        || name == QLatin1String(".."))
        abort();
}

} // namespace

// Qt is built without frame pointers, so the fast unwinder stops at the Qt
// function that allocated. The leak suppressed inside Qt's JSON parser is
// matched by the parser's entry point, deeper in the stack: allocation
// stacks are walked by their unwind tables, as deep as the runtime allows.
extern "C" __attribute__((visibility("default"), used)) const char* __asan_default_options()
{
    return "fast_unwind_on_malloc=0:malloc_context_size=255";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), int(size));
    int split = input.indexOf("\n\n");
    const int headerEnd = split < 0 ? input.size() : split;
    const QByteArray body = split < 0 ? QByteArray() : input.mid(split + 2);

    QByteArray type, encoding, disposition;
    const QList<QByteArray> lines = input.left(headerEnd).split('\n');
    for (const QByteArray& line : lines) {
        const int colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "content-type")
            type = value;
        else if (name == "content-encoding")
            encoding = value;
        else if (name == "content-disposition")
            disposition = value;
    }

    QByteArray inflated;
    ReplyDecoder::inflate(body, inflated, ReplyDecoder::bodyLimit(type));

    const QVariantMap reply = ReplyDecoder::decode(type, encoding, disposition, body);
    if (reply.contains(QStringLiteral("filename")))
        checkFileName(reply.value(QStringLiteral("filename")).toString());
    const QStringList running = DownloadManager::parseVersion(QStringLiteral("2.000.00202"));
    const QVariantList versions = reply.value(QStringLiteral("version")).toList();
    for (const QVariant& entry : versions) {
        const QStringList parts = DownloadManager::parseVersion(entry.toString());
        DownloadManager::compareVersions(parts, running);
        if (!parts.isEmpty())
            DownloadManager::versionString(parts, QLatin1Char('_'));
    }
    return 0;
}
