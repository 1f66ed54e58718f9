#pragma once

#include <QFile>
#include <QString>
#include <QTextStream>

// The process-wide diagnostic log: one file per run in the program's home
// folder, written through three prefixed streams. Callers end their own
// messages with "\n"; the file sees them at flush() or close().
class LogFile
{
public:
    // Called once when the log cannot be opened. This library has no
    // widgets, so the application installs a handler that shows a box.
    using OpenFailedHandler = void (*)(const QString& title, const QString& text);

    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    static LogFile* instance();
    static QTextStream& info();
    static QTextStream& warning();
    static QTextStream& critical();
    static void flush();
    static void close();

    // Where this process's log lives: home folder, "morvane2_", the process
    // id in lower-case hexadecimal, ".log". Does not open the log.
    static QString filePath();

    static void setOpenFailedHandler(OpenFailedHandler handler);

private:
    LogFile();
    void open();
    QTextStream& prefixed(const char* prefix);
    void discardFurtherWrites();

    QFile file;
    QTextStream stream;
};
