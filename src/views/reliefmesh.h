#pragma once

#include "geometry/rect2d.h"
#include "geometry/rect2di.h"
#include "mesh/largepages.h"

#include <cstdint>
#include <memory>
#include <new>
#include <vector>

class Relief;

// Leaves new elements unset: every vertex and index is written by the remesh
// right after, and zeroing tens of megabytes first would double the work.
// Large arrays go in large pages: a new grid of a big relief is tens of
// thousands of small pages, and the system handing them out one by one cost
// more than the remesh itself.
template <class T>
struct UnsetAllocator : std::allocator<T>
{
    template <class U>
    struct rebind
    {
        using other = UnsetAllocator<U>;
    };
    UnsetAllocator() = default;
    template <class U>
    UnsetAllocator(const UnsetAllocator<U>&) noexcept
    {
    }
    T* allocate(size_t n)
    {
        if (n * sizeof(T) < largeArrayBytes)
            return std::allocator<T>::allocate(n);
        void* p = allocateLargePages(n * sizeof(T));
        if (!p)
            throw std::bad_alloc();
        return static_cast<T*>(p);
    }
    void deallocate(T* p, size_t n) noexcept
    {
        if (n * sizeof(T) < largeArrayBytes)
            std::allocator<T>::deallocate(p, n);
        else
            freeLargePages(p, n * sizeof(T));
    }
    template <class U>
    void construct(U* p) noexcept
    {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }

private:
    // Below a couple of large pages the rounding up to whole ones would
    // waste more than it saves.
    static constexpr size_t largeArrayBytes = size_t(4) << 20;
};

// The vertex arrays through which the views draw a relief: the visible part
// plus a margin, at about one vertex per screen pixel, as triangle strips
// joined by primitive restart. Plain arrays only; the views hand them to a
// shader.
class ReliefMesh
{
public:
    // Vertices first .. first + count - 1 changed by a refresh.
    struct Range
    {
        uint32_t first = 0;
        uint32_t count = 0;
    };

    // withNormals: the 3-D view's lit surface; without, the 2-D view's flat
    // colour by height, whose heights are quantised (setQuantization).
    explicit ReliefMesh(bool withNormals);

    // The visible rectangle grown to 1.4 times its size about its centre,
    // clipped to the relief (all zero when they do not meet).
    static VekMath::Rect2d grownArea(const VekMath::Rect2d& visible, int reliefWidth,
                                     int reliefHeight);
    // Whole cells of the meshed area, at least two across where the relief
    // allows.
    static VekMath::Rect2di cellArea(const VekMath::Rect2d& meshed, int reliefWidth,
                                     int reliefHeight);
    // Cells between neighbouring vertices: about one vertex per pixel.
    static int stepFor(const VekMath::Rect2di& cells, int widgetWidth, int widgetHeight);

    // The most bytes the arrays take for a relief of that size in a widget
    // of that many pixels, whatever part of it is shown: the step leaves
    // fewer than two vertices a pixel each way.
    static long long mostBytes(int reliefWidth, int reliefHeight, int widgetWidth,
                               int widgetHeight, bool withNormals);

    // Sets the relief's height range from its cells: the lowest height and
    // the highest but at least 0.
    static void measureHeights(Relief& relief);

    // The visible area left the meshed one or shrank to under 1/1.4 of it.
    bool outgrown(const VekMath::Rect2d& visible) const;

    // Rebuilds the arrays for the visible area: refreshes the relief's
    // height range, the meshed area and the grid, and every vertex.
    void remesh(Relief& relief, const VekMath::Rect2d& visible, int widgetWidth,
                int widgetHeight);
    // Recomputes the vertices of the cells in area and of the ring around
    // it, whose normals read the area's heights. Whole vertex rows.
    Range refresh(const Relief& relief, const VekMath::Rect2di& area);

    // Heights shown in levels of the relief's range (2-D view).
    void setQuantization(double levels) { quantization = levels; }
    // Frees the arrays; the next remesh builds them anew.
    void clear();

    int vertexCount() const { return nx * ny; }
    int indexCount() const { return int(indices.size()); }

    VekMath::Rect2d meshedRect;
    VekMath::Rect2di lodRect;
    int lodStep = 1;
    int nx = 0;
    int ny = 0;
    using FloatArray = std::vector<float, UnsetAllocator<float>>;
    using IndexArray = std::vector<uint32_t, UnsetAllocator<uint32_t>>;

    FloatArray positions;
    FloatArray normals;
    FloatArray selection;
    IndexArray indices;

private:
    void allocate(int columns, int rows);
    template <bool lit>
    void fillRows(const Relief& relief, int x1, int x2, int y1, int y2);

    bool withNormals;
    double quantization = 128.0;
};
