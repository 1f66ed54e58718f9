#pragma once

#include <QMutex>
#include <QString>
#include <QtGlobal>

#include <memory>

class QFile;
class QTextStream;

// The file that receives Qt's own messages. It is opened, and so emptied,
// on the first message, so a run without messages keeps the last run's file.
class QDebugFile
{
public:
    explicit QDebugFile(const QString& path);
    ~QDebugFile();
    QDebugFile(const QDebugFile&) = delete;
    QDebugFile& operator=(const QDebugFile&) = delete;

    void write(QtMsgType type, const QMessageLogContext& context, const QString& message);

    // The line written for one message; empty for types that write nothing.
    static QString formatLine(QtMsgType type, const QMessageLogContext& context, const QString& message);

private:
    QString path;
    // Made on the first message; the stream, declared last, goes first.
    std::unique_ptr<QFile> file;
    std::unique_ptr<QTextStream> stream;
    bool triedOpen = false;
    QMutex mutex;
};

// Qt's message handler: writes every message to "qdebug.txt" in the
// program's home folder.
void qdebugMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message);
