#pragma once

#include <cstdlib>
#include <cstring>
#include <new>

// An ordered list of ints that keeps up to N entries inside the object, so
// that the many short lists of a mesh (edges of a vertex) need no
// allocation of their own and a list with its count fills one small block.
// Longer lists move to the heap, whose block starts with its capacity; they
// come back inside when they shrink to N again.
template <int N>
class IndexList
{
    static_assert(N >= 2, "the heap pointer lives in the first two items");

public:
    IndexList() = default;
    ~IndexList() { release(); }
    IndexList(const IndexList&) = delete;
    IndexList& operator=(const IndexList&) = delete;
    IndexList(IndexList&& o) noexcept : count(o.count)
    {
        std::memcpy(items, o.items, sizeof items);
        o.count = 0;
    }

    int size() const { return count; }
    bool isEmpty() const { return count == 0; }
    const int* begin() const { return count > N ? heap() + 1 : items; }
    const int* end() const { return begin() + count; }
    int operator[](int i) const { return begin()[i]; }
    int first() const { return begin()[0]; }

    void append(int v)
    {
        if (count < N) {
            items[count++] = v;
            return;
        }
        int* block = count == N ? moveOut() : heap();
        if (count == block[0])
            block = grow(block);
        block[1 + count++] = v;
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
        for (; i + 1 < count; ++i)
            d[i] = d[i + 1];
        if (count == N + 1) {
            int* block = heap();
            std::memcpy(items, block + 1, sizeof(int) * N);
            std::free(block);
        }
        --count;
    }
    void replace(int i, int v) { data()[i] = v; }
    // Empties the list and frees any heap block.
    void reset()
    {
        release();
        count = 0;
    }

private:
    int* data() { return count > N ? heap() + 1 : items; }
    int* heap() const
    {
        int* p;
        std::memcpy(&p, items, sizeof p);
        return p;
    }
    void setHeap(int* p) { std::memcpy(items, &p, sizeof p); }
    void release()
    {
        if (count > N)
            std::free(heap());
    }
    // The N entries inside move to a new heap block of room for 2N.
    int* moveOut()
    {
        int* block = static_cast<int*>(std::malloc(sizeof(int) * size_t(2 * N + 1)));
        if (!block)
            throw std::bad_alloc();
        block[0] = 2 * N;
        std::memcpy(block + 1, items, sizeof(int) * N);
        setHeap(block);
        return block;
    }
    int* grow(int* block)
    {
        const int capacity = block[0] * 2;
        int* p = static_cast<int*>(std::realloc(block, sizeof(int) * size_t(capacity + 1)));
        if (!p)
            throw std::bad_alloc();
        p[0] = capacity;
        setHeap(p);
        return p;
    }

    int count = 0;
    int items[N];
};
