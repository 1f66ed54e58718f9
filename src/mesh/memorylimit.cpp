#include "mesh/memorylimit.h"

#include <QtGlobal>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

namespace {

const long long Unbounded = LLONG_MAX;

// The number after key on a line of a system file, in kilobytes as those
// files give it; -1 when there is none.
long long kilobytesAfter(const char* path, const char* key)
{
    long long value = -1;
    if (FILE* file = std::fopen(path, "r")) {
        char line[256];
        const size_t length = std::strlen(key);
        while (std::fgets(line, sizeof line, file)) {
            if (std::strncmp(line, key, length) == 0) {
                if (std::sscanf(line + length, "%lld", &value) != 1)
                    value = -1;
                break;
            }
        }
        std::fclose(file);
    }
    return value;
}

// A file holding one number; -1 when it holds none ("max" included).
long long numberIn(const std::string& path)
{
    long long value = -1;
    if (FILE* file = std::fopen(path.c_str(), "r")) {
        if (std::fscanf(file, "%lld", &value) != 1)
            value = -1;
        std::fclose(file);
    }
    return value;
}

// The least room under the limits of the group at path and of the groups
// above it, each file pair read where the group has one.
long long roomUpFrom(std::string path, const char* limitFile, const char* usageFile)
{
    long long room = Unbounded;
    for (;;) {
        const long long limit = numberIn(path + "/" + limitFile);
        const long long usage = numberIn(path + "/" + usageFile);
        // Version 1 says "no limit" with a number near the largest.
        if (limit >= 0 && usage >= 0 && limit < (LLONG_MAX >> 2))
            room = std::min(room, std::max(0LL, limit - usage));
        const size_t slash = path.find_last_of('/');
        if (slash == std::string::npos || path.compare(slash, std::string::npos, "/cgroup") == 0
            || path.compare(slash, std::string::npos, "/memory") == 0)
            break;
        path.erase(slash);
    }
    return room;
}

} // namespace

long long MemoryLimit::room()
{
    return std::min({addressSpaceRoom(), controlGroupRoom(), systemAvailable()});
}

bool MemoryLimit::addressSpaceLimited()
{
    return addressSpaceRoom() != Unbounded;
}

long long MemoryLimit::addressSpaceRoom()
{
#ifdef Q_OS_UNIX
    rlimit limit;
    if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return Unbounded;
    const long long used = kilobytesAfter("/proc/self/status", "VmSize:");
    if (used < 0)
        return Unbounded;
    return std::max(0LL, (long long)(limit.rlim_cur) - used * 1024);
#else
    return Unbounded;
#endif
}

long long MemoryLimit::controlGroupRoom()
{
    long long room = Unbounded;
    FILE* file = std::fopen("/proc/self/cgroup", "r");
    if (!file)
        return room;
    // "0::/path" for the unified hierarchy, "N:memory:/path" for the
    // memory controller of version 1.
    char line[512];
    while (std::fgets(line, sizeof line, file)) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '/'))
            text.pop_back();
        const size_t first = text.find(':'), second = text.find(':', first + 1);
        if (first == std::string::npos || second == std::string::npos)
            continue;
        const std::string controllers = text.substr(first + 1, second - first - 1);
        const std::string path = text.substr(second + 1);
        if (text.compare(0, first, "0") == 0 && controllers.empty())
            room = std::min(room, roomUpFrom("/sys/fs/cgroup" + path, "memory.max", "memory.current"));
        else if (controllers == "memory" || controllers.find("memory,") == 0
                 || controllers.find(",memory") != std::string::npos)
            room = std::min(room, roomUpFrom("/sys/fs/cgroup/memory" + path, "memory.limit_in_bytes",
                                             "memory.usage_in_bytes"));
    }
    std::fclose(file);
    return room;
}

long long MemoryLimit::systemAvailable()
{
    const long long available = kilobytesAfter("/proc/meminfo", "MemAvailable:");
    return available < 0 ? Unbounded : available * 1024;
}
