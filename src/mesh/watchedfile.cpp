#include "mesh/watchedfile.h"

#include <algorithm>

WatchedFile::WatchedFile(const QString& path)
    : file(path)
{
}

WatchedFile::~WatchedFile()
{
    close();
}

bool WatchedFile::open(OpenMode mode)
{
    if ((mode & ~Unbuffered) != ReadOnly || !file.open(QIODevice::ReadOnly))
        return false;
    // Unbuffered: every byte a reader takes passes readData, where it is
    // counted and where a stop takes effect.
    return QIODevice::open(ReadOnly | Unbuffered);
}

void WatchedFile::close()
{
    QIODevice::close();
    file.close();
}

bool WatchedFile::isSequential() const
{
    return file.isSequential();
}

qint64 WatchedFile::size() const
{
    return file.size();
}

bool WatchedFile::seek(qint64 pos)
{
    return QIODevice::seek(pos) && file.seek(pos);
}

qint64 WatchedFile::readData(char* data, qint64 maxSize)
{
    if (stopped.load())
        return -1;
    const qint64 n = file.read(data, maxSize);
    if (n > 0)
        furthest.store(std::max(furthest.load(std::memory_order_relaxed), file.pos()), std::memory_order_relaxed);
    return n;
}

qint64 WatchedFile::writeData(const char*, qint64)
{
    return -1;
}
