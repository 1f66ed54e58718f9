#pragma once

#include <QtGlobal>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#endif

#ifdef Q_OS_LINUX
// The advice for the whole pages of the given size within data.
inline void adviseWholePages(const void* data, size_t bytes, uintptr_t page, int advice)
{
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + page - 1) & ~(page - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(page - 1);
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin, advice);
}
#endif

// Meshes of millions of facets fill hundreds of megabytes at once; in large
// pages the system spends far less time handing that memory out. A hint
// only: where it is not understood nothing changes.
inline void adviseLargePages(const void* data, size_t bytes)
{
#ifdef Q_OS_LINUX
    adviseWholePages(data, bytes, uintptr_t(2) << 20, MADV_HUGEPAGE);
#else
    Q_UNUSED(data);
    Q_UNUSED(bytes);
#endif
}

// Memory about to be written is handed out now rather than a page at a time
// as the writing reaches it: asked for on many threads at once, the system
// serves them side by side. A hint only.
inline void populateForWriting(void* data, size_t bytes)
{
#if defined(Q_OS_LINUX) && defined(MADV_POPULATE_WRITE)
    adviseWholePages(data, bytes, 4096, MADV_POPULATE_WRITE);
#else
    Q_UNUSED(data);
    Q_UNUSED(bytes);
#endif
}

// An array of bytes straight from the system, in large pages where they are
// available, for one large array that is filled right away: heap memory
// comes back in small pages, and a heap that grows and shrinks at sizes
// that are not whole large pages keeps breaking them up. Null when there is
// no memory. Give it back with freeLargePages and the same size.
inline void* allocateLargePages(size_t bytes)
{
#ifdef Q_OS_LINUX
    const uintptr_t page = uintptr_t(2) << 20;
    if (bytes > SIZE_MAX - 2 * page)
        return nullptr;
    const size_t whole = (bytes + page - 1) & ~(page - 1);
    // One large page more, to start on a large-page boundary; the slack on
    // either side goes back at once.
    void* raw = mmap(nullptr, whole + page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS,
                     -1, 0);
    if (raw == MAP_FAILED)
        return nullptr;
    const uintptr_t rawBegin = reinterpret_cast<uintptr_t>(raw);
    const uintptr_t begin = (rawBegin + page - 1) & ~(page - 1);
    if (begin > rawBegin)
        munmap(raw, begin - rawBegin);
    munmap(reinterpret_cast<void*>(begin + whole), rawBegin + page - begin);
    adviseLargePages(reinterpret_cast<void*>(begin), whole);
    return reinterpret_cast<void*>(begin);
#else
    return std::malloc(bytes);
#endif
}

inline void freeLargePages(void* data, size_t bytes)
{
#ifdef Q_OS_LINUX
    const size_t page = size_t(2) << 20;
    if (data)
        munmap(data, (bytes + page - 1) & ~(page - 1));
#else
    Q_UNUSED(bytes);
    std::free(data);
#endif
}
