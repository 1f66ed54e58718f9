#include "base/logfile.h"

#include "base/veksettings.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QIODevice>

namespace {

LogFile* theLog = nullptr;
// Held while the log is made, written, flushed or closed; recursive, as a
// failure to open it may be reported through the log's own streams.
std::recursive_mutex logMutex;
LogFile::OpenFailedHandler openFailedHandler = nullptr;

// Takes the messages written after the log was closed or failed to open.
// Left on a closed file, the stream would keep them in its buffer for the
// rest of the run, or warn on every message without a device.
class DiscardDevice : public QIODevice
{
public:
    DiscardDevice() { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 length) override { return length; }
};

QString now()
{
    return QDateTime::currentDateTime().toString(Qt::TextDate);
}

} // namespace

LogFile::LogFile() = default;

void LogFile::open()
{
    file.setFileName(filePath());
    if (file.open(QIODevice::WriteOnly)) {
        stream.setDevice(&file);
        stream << "Starting Morvane 2 log: " << now() << "\n";
        return;
    }
    discardFurtherWrites();
    const QString title = QStringLiteral("Error opening Log");
    const QString text = QStringLiteral("Could not open log file for writing");
    if (openFailedHandler)
        openFailedHandler(title, text);
    else
        qCritical("%s: %s", qPrintable(title), qPrintable(text));
}

LogFile::~LogFile()
{
    stream.flush();
    if (file.isOpen())
        file.close();
    if (theLog == this)
        theLog = nullptr;
}

LogFile* LogFile::instance()
{
    // The pointer is set before opening so that anything logged while an
    // open failure is being reported reaches this instance instead of
    // making another one and a second box.
    std::lock_guard<std::recursive_mutex> hold(logMutex);
    if (!theLog) {
        theLog = new LogFile;
        theLog->open();
    }
    return theLog;
}

LogFile::Line LogFile::prefixed(const char* prefix)
{
    std::unique_lock<std::recursive_mutex> hold(logMutex);
    stream << prefix;
    return Line(std::move(hold), stream);
}

LogFile::Line LogFile::info()
{
    return instance()->prefixed("Info: ");
}

LogFile::Line LogFile::warning()
{
    return instance()->prefixed("Warning: ");
}

LogFile::Line LogFile::critical()
{
    return instance()->prefixed("Critical: ");
}

void LogFile::flush()
{
    std::lock_guard<std::recursive_mutex> hold(logMutex);
    instance()->stream.flush();
}

void LogFile::close()
{
    std::lock_guard<std::recursive_mutex> hold(logMutex);
    LogFile* log = instance();
    log->stream << "Closing Morvane 2 log: " << now() << "\n";
    log->stream.flush();
    if (log->file.isOpen()) {
        log->file.close();
        log->discardFurtherWrites();
    }
}

QString LogFile::filePath()
{
    return VekSettings::homeDir() + QDir::separator() + QStringLiteral("morvane2_")
        + QString::number(QCoreApplication::applicationPid(), 16) + QStringLiteral(".log");
}

void LogFile::setOpenFailedHandler(OpenFailedHandler handler)
{
    openFailedHandler = handler;
}

void LogFile::discardFurtherWrites()
{
    // Never freed, like the log itself: something may still log at exit.
    static DiscardDevice* const discard = new DiscardDevice;
    stream.setDevice(discard);
}
