#include "app/qdebugfile.h"

#include "base/veksettings.h"

#include <QDir>
#include <QFile>
#include <QMutexLocker>
#include <QTextStream>

namespace {

// Opening the file or writing to it can itself raise a Qt message, which
// must not come back into the handler that is raising it.
thread_local bool insideHandler = false;

} // namespace

QDebugFile::QDebugFile(const QString& path)
    : path(path)
{
}

QDebugFile::~QDebugFile() = default;

void QDebugFile::write(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (insideHandler)
        return;
    insideHandler = true;
    {
        // Qt may report from its own threads as well.
        QMutexLocker lock(&mutex);
        if (!triedOpen) {
            triedOpen = true;
            file = std::make_unique<QFile>(path);
            if (file->open(QIODevice::WriteOnly | QIODevice::Text))
                stream = std::make_unique<QTextStream>(file.get());
        }
        const QString line = formatLine(type, context, message);
        if (stream && !line.isEmpty()) {
            *stream << line;
            stream->flush();
        }
    }
    insideHandler = false;
}

QString QDebugFile::formatLine(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    const char* prefix = nullptr;
    switch (type) {
    case QtDebugMsg:
        return QStringLiteral("DEBUG:") + message + QLatin1Char('\n');
    case QtWarningMsg:
        prefix = "WARN:";
        break;
    case QtCriticalMsg:
        prefix = "CRIT:";
        break;
    case QtFatalMsg:
        prefix = "FATAL:";
        break;
    case QtInfoMsg:
        prefix = "INFO:";
        break;
    default:
        return QString();
    }
    return QLatin1String(prefix) + message + QStringLiteral(" File: ") + QString::fromUtf8(context.file)
        + QStringLiteral(" function: ") + QString::fromUtf8(context.function) + QLatin1Char('\n');
}

void qdebugMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (insideHandler)
        return;
    // Never freed: messages can still arrive while static objects are
    // being destroyed at exit.
    static QDebugFile* const qdebugFile = [] {
        insideHandler = true;
        auto* made = new QDebugFile(VekSettings::homeDir() + QDir::separator() + QStringLiteral("qdebug.txt"));
        insideHandler = false;
        return made;
    }();
    qdebugFile->write(type, context, message);
}
