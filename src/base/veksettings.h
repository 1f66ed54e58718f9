#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>

class QFileInfo;

// The program's per-user settings: fixed organisation and application
// names, typed access to the keys the program shares between its parts, and
// the program's home and download folders.
class VekSettings : public QSettings
{
public:
    explicit VekSettings(QObject* parent = nullptr);

    static QString homeDir();
    static QString downloadDir();

    QStringList recentFiles() const;
    void addRecentFile(const QString& path);

    void setLastFile(const QFileInfo& file);
    QString lastFile() const;
    QString lastDir() const;

    void setLastExportDir(const QFileInfo& file);
    QString lastExportDir() const;

    bool useLegacyShader() const;
    void setUseLegacyShader(bool on);

    // Scheme and host of the update server, without a trailing slash.
    QString updateBaseUrl() const;
    void setUpdateBaseUrl(const QString& url);
};
