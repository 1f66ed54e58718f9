#pragma once

// A named pipe that a thread keeps writing one line to, every 20 ms, until
// it has written it a given number of times or is stopped: a file whose read
// lasts while the window has to go on answering.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <atomic>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

class SlowPipe
{
public:
    SlowPipe(const QString& path, const QByteArray& line, int times)
    {
        const QByteArray name = QFile::encodeName(path);
        if (mkfifo(name.constData(), 0600) != 0)
            return;
        // Opened for reading too, so that the open does not wait for the
        // window's reader and writing never fails once that reader is gone.
        const int pipe = ::open(name.constData(), O_RDWR);
        if (pipe < 0)
            return;
        writer = std::thread([this, pipe, line, times] {
            for (int i = 0; i < times && !over.load(); ++i) {
                if (::write(pipe, line.constData(), size_t(line.size())) < 0)
                    break;
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            ::close(pipe);
        });
    }
    ~SlowPipe() { stop(); }
    SlowPipe(const SlowPipe&) = delete;
    SlowPipe& operator=(const SlowPipe&) = delete;

    bool ok() const { return writer.joinable(); }

    void stop()
    {
        over.store(true);
        if (writer.joinable())
            writer.join();
    }

private:
    std::atomic<bool> over{false};
    std::thread writer;
};
