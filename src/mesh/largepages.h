#ifndef LARGEPAGES_H
#define LARGEPAGES_H

#include <QtGlobal>

#include <cstddef>
#include <cstdint>

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#endif

// Meshes of millions of facets fill hundreds of megabytes at once; in large
// pages the system spends far less time handing that memory out. A hint
// only: where it is not understood nothing changes.
inline void adviseLargePages(const void* data, size_t bytes)
{
#ifdef Q_OS_LINUX
    const uintptr_t page = uintptr_t(2) << 20;
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + page - 1) & ~(page - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(page - 1);
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    Q_UNUSED(data);
    Q_UNUSED(bytes);
#endif
}

#endif
