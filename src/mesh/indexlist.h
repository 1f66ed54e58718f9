#ifndef INDEXLIST_H
#define INDEXLIST_H

#include <cstdlib>
#include <cstring>
#include <new>

// An ordered list of ints that keeps its first N entries inside the object,
// so that the many short lists of a mesh (edges of a vertex, faces of an
// edge) need no allocation of their own.
template <int N>
class IndexList
{
public:
    IndexList() = default;
    ~IndexList()
    {
        if (capacity > N)
            std::free(heap);
    }
    IndexList(const IndexList&) = delete;
    IndexList& operator=(const IndexList&) = delete;
    IndexList(IndexList&& o) noexcept : count(o.count), capacity(o.capacity)
    {
        if (capacity > N)
            heap = o.heap;
        else
            std::memcpy(local, o.local, sizeof local);
        o.count = 0;
        o.capacity = N;
    }

    int size() const { return count; }
    bool isEmpty() const { return count == 0; }
    const int* begin() const { return capacity > N ? heap : local; }
    const int* end() const { return begin() + count; }
    int operator[](int i) const { return begin()[i]; }
    int first() const { return begin()[0]; }

    void append(int v)
    {
        if (count == capacity)
            grow();
        data()[count++] = v;
    }
    // Removes the first occurrence of v, keeping the order of the rest.
    void removeOne(int v)
    {
        int* d = data();
        int i = 0;
        while (i < count && d[i] != v)
            ++i;
        if (i == count)
            return;
        for (--count; i < count; ++i)
            d[i] = d[i + 1];
    }
    void replace(int i, int v) { data()[i] = v; }
    void clear() { count = 0; }
    // Frees any allocation as well.
    void reset()
    {
        if (capacity > N)
            std::free(heap);
        count = 0;
        capacity = N;
    }

private:
    int* data() { return capacity > N ? heap : local; }
    void grow()
    {
        const int newCapacity = capacity * 2;
        int* p = static_cast<int*>(std::malloc(sizeof(int) * size_t(newCapacity)));
        if (!p)
            throw std::bad_alloc();
        std::memcpy(p, data(), sizeof(int) * size_t(count));
        if (capacity > N)
            std::free(heap);
        heap = p;
        capacity = newCapacity;
    }

    int count = 0;
    int capacity = N;
    union {
        int local[N];
        int* heap;
    };
};

#endif
