#include "base/veksettings.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString organisationText = QStringLiteral("Vek Technologies, Inc.");
const QString applicationText = QStringLiteral("Morvane2");
const QString homeFolderName = QStringLiteral("Morvane2");
const QString recentFilesKey = QStringLiteral("recentFiles");
const QString lastDirKey = QStringLiteral("lastDir");
const QString lastExportDirKey = QStringLiteral("lastExportDir");
const QString useLegacyShaderKey = QStringLiteral("useLegacyShader");
const QString updateBaseUrlKey = QStringLiteral("updateBaseUrl");
const QString defaultUpdateBaseUrl = QStringLiteral("https://updates.vektechnologies.example");

const int maxRecentFiles = 5;

// Creates one missing level; a failure shows up later when something is
// written into the folder, so it is not reported here.
QString ensureFolder(const QString& path)
{
    QDir dir(path);
    if (!dir.exists())
        dir.mkdir(path);
    return path;
}

} // namespace

VekSettings::VekSettings(QObject* parent)
    : QSettings(QSettings::NativeFormat, QSettings::UserScope, organisationText, applicationText, parent)
{
}

QString VekSettings::homeDir()
{
    return ensureFolder(QDir::homePath() + QDir::separator() + homeFolderName);
}

QString VekSettings::downloadDir()
{
    return ensureFolder(homeDir() + QDir::separator() + QStringLiteral("download"));
}

QStringList VekSettings::recentFiles() const
{
    return value(recentFilesKey).toStringList();
}

void VekSettings::addRecentFile(const QString& path)
{
    // An empty row would show in the recent-files list and open nothing.
    if (path.isEmpty())
        return;
    const QStringList old = recentFiles();
    QStringList list{path};
    for (const QString& entry : old) {
        if (list.size() >= maxRecentFiles)
            break;
        if (entry != path)
            list.append(entry);
    }
    setValue(recentFilesKey, list);
    sync();
}

void VekSettings::setLastFile(const QFileInfo& file)
{
    // A file that does not exist has no canonical path; storing the empty
    // path would lose the last file and add an empty recent entry.
    const QString path = file.canonicalFilePath();
    if (path.isEmpty())
        return;
    setValue(lastDirKey, path);
    addRecentFile(path);
}

QString VekSettings::lastFile() const
{
    return value(lastDirKey).toString();
}

QString VekSettings::lastDir() const
{
    const QString path = lastFile();
    if (path.isEmpty())
        return QString();
    const QFileInfo info(path);
    if (!info.exists())
        return QString();
    return info.canonicalPath();
}

void VekSettings::setLastExportDir(const QFileInfo& file)
{
    setValue(lastExportDirKey, file.canonicalPath());
}

QString VekSettings::lastExportDir() const
{
    return value(lastExportDirKey).toString();
}

bool VekSettings::useLegacyShader() const
{
    return value(useLegacyShaderKey, false).toBool();
}

void VekSettings::setUseLegacyShader(bool on)
{
    setValue(useLegacyShaderKey, on);
}

QString VekSettings::updateBaseUrl() const
{
    QString url = value(updateBaseUrlKey).toString().trimmed();
    if (url.isEmpty())
        return defaultUpdateBaseUrl;
    // The script path is appended with its own slash.
    while (url.endsWith(QLatin1Char('/')))
        url.chop(1);
    return url;
}

void VekSettings::setUpdateBaseUrl(const QString& url)
{
    setValue(updateBaseUrlKey, url);
}
