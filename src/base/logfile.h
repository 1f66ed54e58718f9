#pragma once

#include <QFile>
#include <QString>
#include <QTextStream>

#include <mutex>
#include <utility>

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
    // One message as it is written: the log is held for it to the end of
    // the statement, so that messages from several threads do not mix.
    class Line
    {
    public:
        Line(std::unique_lock<std::recursive_mutex> held, QTextStream& stream)
            : held(std::move(held)), stream(stream)
        {
        }

        template <typename T>
        Line& operator<<(T&& value)
        {
            stream << std::forward<T>(value);
            return *this;
        }

    private:
        std::unique_lock<std::recursive_mutex> held;
        QTextStream& stream;
    };

    static Line info();
    static Line warning();
    static Line critical();
    static void flush();
    static void close();

    // Where this process's log lives: home folder, "morvane2_", the process
    // id in lower-case hexadecimal, ".log". Does not open the log.
    static QString filePath();

    static void setOpenFailedHandler(OpenFailedHandler handler);

private:
    LogFile();
    void open();
    Line prefixed(const char* prefix);
    void discardFurtherWrites();

    QFile file;
    QTextStream stream;
};
