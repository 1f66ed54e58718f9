#pragma once

#include "geometry/bezier.h"
#include "geometry/segment.h"

#include <memory>
#include <vector>

namespace VekMath {

// Chain of cubics. Its start is the first piece's start and its end the
// last piece's end; the inherited fields are unused.
class PolyBezier : public Segment
{
public:
    PolyBezier();
    PolyBezier(PolyBezier&&) = default;
    PolyBezier& operator=(PolyBezier&&) = default;
    PolyBezier(const PolyBezier&) = delete;
    PolyBezier& operator=(const PolyBezier&) = delete;
    ~PolyBezier() override;

    Vector2d start() const override;
    Vector2d end() const override;
    void setStart(const Vector2d& p) override;
    void setEnd(const Vector2d& p) override;
    Ray startTangent() const override;
    Ray endTangent() const override;

    void append(const Bezier& piece);
    int count() const { return int(m_pieces.size()); }
    const Bezier& piece(int i) const { return *m_pieces[i]; }

    // Piece met by the last successful intersection, -1 until one is found.
    // Intersection takes its pieces by const reference and still records it.
    int hitIndex() const { return m_hitIndex; }
    void setHitIndex(int i) const { m_hitIndex = i; }

private:
    std::vector<std::unique_ptr<Bezier>> m_pieces;
    mutable int m_hitIndex = -1;
};

} // namespace VekMath
