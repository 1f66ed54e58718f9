#pragma once

#include <QFile>
#include <QIODevice>

#include <atomic>

// A file opened for reading whose reader runs on another thread: how far it
// has read can be asked from any thread, and once stopped the device gives
// a read error, so that the reader ends soon after.
class WatchedFile : public QIODevice
{
public:
    explicit WatchedFile(const QString& path);
    ~WatchedFile() override;

    // Opens the file unbuffered for reading; any other mode is refused.
    bool open(OpenMode mode) override;
    void close() override;
    bool isSequential() const override;
    qint64 size() const override;
    bool seek(qint64 pos) override;

    // The furthest position read to, from any thread.
    qint64 reached() const { return furthest.load(std::memory_order_relaxed); }
    // From any thread: every later read fails.
    void stop() { stopped.store(true); }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 maxSize) override;

private:
    QFile file;
    std::atomic<qint64> furthest{0};
    std::atomic<bool> stopped{false};
};
