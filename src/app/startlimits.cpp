#include "app/startlimits.h"

#include <QThreadPool>
#include <QtGlobal>

#include <algorithm>
#include <cstdio>
#include <cstring>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#include <unistd.h>
#endif
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

const long long MiB = 1LL << 20;
// What start-up needs beyond what the program holds when main begins: the
// GL driver with its threads, the window and room for a small model.
const long long startBytes = 640 * MiB;
// Limit per allocator arena: the arenas besides the main one reserve 64 MB
// each, so they take at most an eighth of the limit.
const long long bytesPerArena = 512 * MiB;
// Limit per driver or pool thread: its stack and its share of the driver's
// per-thread memory.
const long long bytesPerThread = 256 * MiB;

// The address-space limit in bytes; 0 when there is none.
long long addressSpaceLimit()
{
#ifdef Q_OS_UNIX
    rlimit limit;
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        return (long long)(limit.rlim_cur);
#endif
    return 0;
}

// The address space this process holds, in bytes; -1 when unknown.
long long addressSpaceInUse()
{
    long long kilobytes = -1;
    if (FILE* status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, status)) {
            if (std::strncmp(line, "VmSize:", 7) == 0 && std::sscanf(line + 7, "%lld", &kilobytes) != 1)
                kilobytes = -1;
        }
        std::fclose(status);
    }
    return kilobytes < 0 ? -1 : kilobytes * 1024;
}

long long cores()
{
#ifdef Q_OS_UNIX
    return std::max(1L, sysconf(_SC_NPROCESSORS_ONLN));
#else
    return 1;
#endif
}

// Threads a pool of the driver or of Qt may start under this limit.
int threadsFor(long long limit, long long wanted)
{
    return int(std::max(1LL, std::min(wanted, limit / bytesPerThread)));
}

} // namespace

bool StartLimits::prepare(QString& message)
{
    const long long limit = addressSpaceLimit();
    if (limit == 0)
        return true;
    const long long inUse = addressSpaceInUse();
    if (inUse >= 0 && limit - inUse < startBytes) {
        message = QStringLiteral("Morvane 2 cannot start: its address space is limited to %1 MB, it needs %2 MB.")
                      .arg(limit / MiB)
                      .arg((inUse + startBytes + MiB - 1) / MiB);
        return false;
    }
#ifdef __GLIBC__
    // The C library's own default is eight arenas a core.
    mallopt(M_ARENA_MAX, int(std::max(1LL, std::min(8 * cores(), limit / bytesPerArena))));
#endif
    // llvmpipe reads it when the driver loads; by default it starts two
    // threads a core.
    if (!qEnvironmentVariableIsSet("LP_NUM_THREADS"))
        qputenv("LP_NUM_THREADS", QByteArray::number(threadsFor(limit, cores())));
    return true;
}

void StartLimits::limitThreadPool()
{
    const long long limit = addressSpaceLimit();
    if (limit == 0)
        return;
    QThreadPool* pool = QThreadPool::globalInstance();
    pool->setMaxThreadCount(threadsFor(limit, pool->maxThreadCount()));
    pool->setExpiryTimeout(-1);
}
