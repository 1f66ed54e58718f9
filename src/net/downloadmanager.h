#pragma once

#include "net/networkresponse.h"

#include <QChar>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

class DownloadProgress;
class UpdatePrompts;

// Asks the update server which versions exist, downloads the installer or
// the readme into a folder per type and opens downloaded files.
class DownloadManager : public NetworkResponse
{
public:
    enum DLTypeEnum { Installer = 0, Readme = 1 };

    struct PendingDownload
    {
        DownloadProgress* listener = nullptr;
        QString version;
        DLTypeEnum type = Installer;
    };

    virtual ~DownloadManager();

    static DownloadManager* instance();

    // Where offers, failures and texts are shown; null shows nothing.
    void setPrompts(UpdatePrompts* prompts);
    UpdatePrompts* prompts() const { return ui; }

    void checkForUpdate();
    bool queryVersions(DLTypeEnum type, int major, QStringList& result);
    void offerUpdate(bool available);
    // With a listener the download runs in the background and an empty text
    // is returned; without one it waits and returns the stored file's name.
    QString download(DLTypeEnum type, QString versionText, DownloadProgress* listener);
    bool open(DLTypeEnum type, QString fileName);
    void cancelDownload(DLTypeEnum type, QString versionText);

    QStringList serverVersions(DLTypeEnum type) const;
    QStringList localVersions(DLTypeEnum type);
    void scanLocal(DLTypeEnum type);
    bool isDownloaded(DLTypeEnum type, const QStringList& parts) const;

    // The newest listed installer version that is newer than the running
    // build; empty when there is none.
    QString newestUpdate() const;
    // The first local file of the type whose name holds the version parts.
    QString localFileFor(DLTypeEnum type, const QStringList& parts);

    QString saveDownload(DLTypeEnum type, const QVariantMap& reply);
    bool removeFile(DLTypeEnum type, const QString& fileName);
    bool openVersion(const QString& text);

    static QStringList parseVersion(const QString& text);
    static QString versionString(const QStringList& parts, QChar separator);
    static int compareVersions(const QStringList& a, const QStringList& b);
    static QUrl makeUrl(DLTypeEnum type, int major, int minor, int build);
    static QString filePath(DLTypeEnum type, const QString& fileName);
    static QString typeName(DLTypeEnum type);
    static int typeOf(const QString& text);
    static QString readUpdateType();
    static void writeUpdateType(const QString& word);
    // The server's name reduced to a plain name inside the type's folder;
    // empty when nothing usable is left.
    static QString safeFileName(const QString& serverName);

    void netFinished(QUrl url, QVariantMap reply) override;
    void netProgress(QUrl url, qint64 received, qint64 total) override;
    void netError(QUrl url, QString errorName) override;

private:
    DownloadManager();
    static QUrl downloadUrl(DLTypeEnum type, const QString& versionText);

    QMap<int, QStringList> localFiles;
    QMap<int, QStringList> serverVers;
    QMap<QUrl, PendingDownload> pending;
    UpdatePrompts* ui = nullptr;
};
