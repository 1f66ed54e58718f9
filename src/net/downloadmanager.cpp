#include "net/downloadmanager.h"

#include "base/version.h"
#include "base/veksettings.h"
#include "net/downloadprogress.h"
#include "net/installerlauncher.h"
#include "net/networkmanager.h"
#include "net/updateprompts.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextStream>
#include <QUrlQuery>

namespace {

const int queryTimeoutSeconds = 15;
const int downloadTimeoutSeconds = 360;
const QStringList typeNames{QStringLiteral("morvane"), QStringLiteral("readme")};
const QString channelFileName = QStringLiteral("update.txt");
const QString defaultChannel = QStringLiteral("release");

bool validType(int type)
{
    return type == DownloadManager::Installer || type == DownloadManager::Readme;
}

const QRegularExpression& versionPattern()
{
    static const QRegularExpression pattern(QStringLiteral("(\\d)[\\._](\\d{3})([\\._](\\d{5}))?(,(\\w+))?"));
    return pattern;
}

QString oneItemQuery(const QString& key, const QString& value)
{
    QUrlQuery query;
    query.addQueryItem(key, value);
    return query.toString(QUrl::FullyEncoded);
}

QUrl withChannel(QUrl url, const QString& channel)
{
    if (!channel.isEmpty())
        url.setQuery(url.query(QUrl::FullyEncoded) + QLatin1Char('&') + oneItemQuery(QStringLiteral("type"), channel),
                     QUrl::StrictMode);
    return url;
}

// What the update server sends is stored and run as the user, so it must
// come over https; plain http is left to this machine's own test servers.
bool trustedServer(const QUrl& url)
{
    if (url.scheme() == QLatin1String("https"))
        return true;
    const QString host = url.host();
    if (url.scheme() == QLatin1String("http")
        && (host == QLatin1String("localhost") || QHostAddress(host).isLoopback()))
        return true;
    qDebug().noquote() << "Update server refused, not https:"
                       << url.adjusted(QUrl::RemovePath | QUrl::RemoveQuery).toString();
    return false;
}

// Which media types a download of each type may be.
bool mediaTypeFits(DownloadManager::DLTypeEnum type, const QString& mime)
{
    if (type == DownloadManager::Installer)
        return mime == QLatin1String("application/vnd.microsoft.portable-executable")
            || mime == QLatin1String("application/x-apple-diskimage");
    return mime.startsWith(QLatin1String("text/plain"));
}

} // namespace

DownloadManager::DownloadManager()
{
    QDir().mkpath(VekSettings::downloadDir());
    scanLocal(Installer);
    scanLocal(Readme);
}

DownloadManager::~DownloadManager() = default;

DownloadManager* DownloadManager::instance()
{
    static DownloadManager* manager = new DownloadManager;
    return manager;
}

void DownloadManager::setPrompts(UpdatePrompts* prompts)
{
    ui = prompts;
}

QString DownloadManager::typeName(DLTypeEnum type)
{
    return validType(type) ? typeNames.at(type) : QString();
}

int DownloadManager::typeOf(const QString& text)
{
    const int exact = typeNames.indexOf(text);
    if (exact >= 0)
        return exact;
    for (int i = 0; i < typeNames.size(); ++i) {
        if (text.contains(typeNames.at(i), Qt::CaseInsensitive))
            return i;
    }
    return -1;
}

QString DownloadManager::filePath(DLTypeEnum type, const QString& fileName)
{
    QString path = VekSettings::downloadDir() + QDir::separator() + typeName(type);
    if (!fileName.isEmpty())
        path += QDir::separator() + fileName;
    return path;
}

void DownloadManager::scanLocal(DLTypeEnum type)
{
    if (!validType(type))
        return;
    QStringList& files = localFiles[type];
    files.clear();
    QDir dir(filePath(type, QString()));
    if (!dir.exists())
        dir.mkpath(dir.path());
    files = dir.entryList(QDir::Files | QDir::Hidden, QDir::Name | QDir::Reversed);
}

QStringList DownloadManager::localVersions(DLTypeEnum type)
{
    scanLocal(type);
    return localFiles.value(type);
}

QStringList DownloadManager::serverVersions(DLTypeEnum type) const
{
    return serverVers.value(type);
}

QStringList DownloadManager::parseVersion(const QString& text)
{
    const QRegularExpressionMatch match = versionPattern().match(text);
    if (!match.hasMatch())
        return QStringList();
    QStringList parts{match.captured(1), match.captured(2)};
    if (!match.captured(4).isEmpty())
        parts.append(match.captured(4));
    if (!match.captured(6).isEmpty())
        parts.append(match.captured(6));
    return parts;
}

QString DownloadManager::versionString(const QStringList& parts, QChar separator)
{
    if (parts.size() < 2)
        return QString();
    QString text = QStringLiteral("%1").arg(parts.at(0).toInt(), 1) + separator
        + QStringLiteral("%1").arg(parts.at(1).toInt(), 3, 10, QLatin1Char('0'));
    if (parts.size() > 2 && parts.at(2).toInt() != 0)
        text += separator + QStringLiteral("%1").arg(parts.at(2).toInt(), 5, 10, QLatin1Char('0'));
    return text;
}

int DownloadManager::compareVersions(const QStringList& a, const QStringList& b)
{
    if (a.isEmpty())
        return b.isEmpty() ? 0 : -1;
    if (b.isEmpty())
        return 1;
    for (int i = 0; i < 3; ++i) {
        const int x = a.value(i).toInt();
        const int y = b.value(i).toInt();
        if (x != y)
            return x > y ? 1 : -1;
    }
    return 0;
}

QUrl DownloadManager::makeUrl(DLTypeEnum type, int major, int minor, int build)
{
    if (!validType(type))
        return QUrl();
    QUrl url(VekSettings().updateBaseUrl() + QStringLiteral("/checkmorvane.php"));
    QString version = QStringLiteral("%1.%2").arg(major).arg(minor, 3, 10, QLatin1Char('0'));
    if (build != 0)
        version += QStringLiteral(".%1").arg(build, 5, 10, QLatin1Char('0'));
    const QStringList items{oneItemQuery(QStringLiteral("os"), QStringLiteral("win")),
                            oneItemQuery(QStringLiteral("name"), typeName(type)),
                            oneItemQuery(QStringLiteral("version"), version)};
    url.setQuery(items.join(QLatin1Char('&')), QUrl::StrictMode);
    return url;
}

QUrl DownloadManager::downloadUrl(DLTypeEnum type, const QString& versionText)
{
    if (!validType(type))
        return QUrl();
    // Read by the same pattern as everywhere else, so "2_001_00300" asks
    // for 2.001.00300.
    const QRegularExpressionMatch match = versionPattern().match(versionText);
    if (!match.hasMatch())
        return QUrl();
    const QUrl url = makeUrl(type, match.captured(1).toInt(), match.captured(2).toInt(), match.captured(4).toInt());
    return withChannel(url, match.captured(6));
}

QString DownloadManager::readUpdateType()
{
    QFile file(VekSettings::downloadDir() + QDir::separator() + channelFileName);
    if (!file.exists())
        return defaultChannel;
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QTextStream stream(&file);
    QString word;
    stream >> word;
    return word;
}

void DownloadManager::writeUpdateType(const QString& word)
{
    const QString path = VekSettings::downloadDir() + QDir::separator() + channelFileName;
    if (word.isEmpty() || word == defaultChannel) {
        QFile::remove(path);
        return;
    }
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(word.toUtf8());
}

bool DownloadManager::isDownloaded(DLTypeEnum type, const QStringList& parts) const
{
    const QString text = versionString(parts, QLatin1Char('_'));
    const QStringList files = localFiles.value(type);
    for (const QString& name : files) {
        if (name.contains(text))
            return true;
    }
    return false;
}

bool DownloadManager::queryVersions(DLTypeEnum type, int major, QStringList& result)
{
    serverVers[type].clear();
    if (!validType(type))
        return false;
    // Installers removed or added by hand since the last look count as they are now.
    scanLocal(type);
    const QUrl url = withChannel(makeUrl(type, major, 0, 0), readUpdateType());
    const QVariantMap reply
        = trustedServer(url) ? NetworkManager::instance()->get(url, QVariantMap(), queryTimeoutSeconds) : QVariantMap();
    if (reply.isEmpty()) {
        if (ui)
            ui->checkFailed();
        return false;
    }
    if (reply.value(QStringLiteral("status")).toString() != QLatin1String("OK"))
        return false;
    result.clear();
    QStringList& listed = serverVers[type];
    const QVariantList versions = reply.value(QStringLiteral("version")).toList();
    for (const QVariant& entry : versions) {
        const QString text = entry.toString();
        const QStringList parts = parseVersion(text);
        if (parts.isEmpty())
            continue;
        if (result.isEmpty() && !isDownloaded(type, parts))
            result = parts;
        listed.append(text);
    }
    listed.removeDuplicates();
    return !result.isEmpty();
}

void DownloadManager::checkForUpdate()
{
    QStringList result;
    if (!queryVersions(Installer, Version::majorNumber, result))
        return;
    if (compareVersions(result, parseVersion(QLatin1String(Version::fullText))) > 0)
        offerUpdate(true);
}

void DownloadManager::offerUpdate(bool available)
{
    if (ui)
        ui->offerUpdate(available);
}

QString DownloadManager::newestUpdate() const
{
    const QStringList running = parseVersion(QLatin1String(Version::fullText));
    QString best;
    QStringList bestParts = running;
    const QStringList listed = serverVers.value(Installer);
    for (const QString& text : listed) {
        const QStringList parts = parseVersion(text);
        if (compareVersions(parts, bestParts) > 0) {
            best = text;
            bestParts = parts;
        }
    }
    return best;
}

QString DownloadManager::localFileFor(DLTypeEnum type, const QStringList& parts)
{
    if (parts.isEmpty())
        return QString();
    const QStringList files = localVersions(type);
    for (const QString& name : files) {
        if (compareVersions(parseVersion(name), parts) == 0)
            return name;
    }
    return QString();
}

QString DownloadManager::download(DLTypeEnum type, QString versionText, DownloadProgress* listener)
{
    const QUrl url = downloadUrl(type, versionText);
    if (url.isEmpty() || !trustedServer(url)) {
        if (listener)
            listener->finished(type, versionText, QString());
        return QString();
    }
    if (listener) {
        pending.insert(url, PendingDownload{listener, versionText, type});
        NetworkManager::instance()->get(url, QVariantMap(), downloadTimeoutSeconds, this);
        return QString();
    }
    return saveDownload(type, NetworkManager::instance()->get(url, QVariantMap(), downloadTimeoutSeconds));
}

void DownloadManager::cancelDownload(DLTypeEnum type, QString versionText)
{
    const QUrl url = downloadUrl(type, versionText);
    if (!url.isEmpty())
        NetworkManager::instance()->abort(url, this);
}

QString DownloadManager::safeFileName(const QString& serverName)
{
    QString name = serverName;
    const int cut = qMax(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\')));
    if (cut >= 0)
        name = name.mid(cut + 1);
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return QString();
    for (const QChar c : qAsConst(name)) {
        if (c.unicode() < 0x20)
            return QString();
    }
    return name;
}

QString DownloadManager::saveDownload(DLTypeEnum type, const QVariantMap& reply)
{
    if (!validType(type) || !reply.contains(QStringLiteral("filename")) || !reply.contains(QStringLiteral("mime"))
        || !reply.contains(QStringLiteral("data")))
        return QString();
    const QString serverName = reply.value(QStringLiteral("filename")).toString();
    const QString name = safeFileName(serverName);
    const QString mime = reply.value(QStringLiteral("mime")).toString();
    if (name.isEmpty()) {
        qDebug() << "Download refused: unusable file name" << serverName;
        return QString();
    }
    if (!mediaTypeFits(type, mime)) {
        qDebug() << "Download refused: media type" << mime << "for" << typeName(type);
        return QString();
    }
    const QString folder = filePath(type, QString());
    QDir().mkpath(folder);
    const QString path = filePath(type, name);
    const QByteArray data = reply.value(QStringLiteral("data")).toByteArray();
    // Written aside and renamed into place, so a failed write never leaves a
    // partial file under the final name.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        qDebug() << "Download not stored:" << path << file.errorString();
        return QString();
    }
    if (type == Installer)
        QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner | QFileDevice::ExeUser);
    QStringList& files = localFiles[type];
    if (!files.contains(name))
        files.append(name);
    return name;
}

bool DownloadManager::removeFile(DLTypeEnum type, const QString& fileName)
{
    if (!validType(type) || fileName.isEmpty())
        return false;
    return QFile::remove(filePath(type, fileName));
}

bool DownloadManager::open(DLTypeEnum type, QString fileName)
{
    if (!validType(type))
        return false;
    const QString path = fileName.isEmpty() ? QString() : filePath(type, fileName);
    if (type == Installer) {
        QString reason;
        if (launchInstaller(QDir::toNativeSeparators(path), &reason))
            return true;
        qDebug() << "Failed to launch" << path;
        if (ui)
            ui->launchFailed(path, reason);
        return false;
    }
    if (path.isEmpty())
        return false;
    if (ui)
        ui->showText(QStringLiteral("Readme"), path);
    return true;
}

bool DownloadManager::openVersion(const QString& text)
{
    const int type = typeOf(text);
    if (!validType(type))
        return false;
    const QString name = typeName(DLTypeEnum(type)) + QLatin1Char('_')
        + versionString(parseVersion(text), QLatin1Char('_')) + (type == Installer ? ".exe" : ".txt");
    return open(DLTypeEnum(type), name);
}

void DownloadManager::netProgress(QUrl url, qint64 received, qint64 total)
{
    auto it = pending.constFind(url);
    if (it != pending.constEnd() && it->listener)
        it->listener->progress(int(received), int(total));
}

void DownloadManager::netFinished(QUrl url, QVariantMap reply)
{
    auto it = pending.find(url);
    if (it == pending.end())
        return;
    // Taken out first: the listener may delete itself or start another
    // download of the same URL while it is told.
    const PendingDownload entry = it.value();
    pending.erase(it);
    const QString name = saveDownload(entry.type, reply);
    if (entry.listener)
        entry.listener->finished(entry.type, entry.version, name);
}

void DownloadManager::netError(QUrl url, QString errorName)
{
    Q_UNUSED(url)
    Q_UNUSED(errorName)
}
