#include "geometry/polybezier.h"

namespace VekMath {

PolyBezier::PolyBezier() : Segment(PolyBezierType, Vector2d(), Vector2d()) {}

PolyBezier::~PolyBezier() {}

Vector2d PolyBezier::start() const
{
    return m_pieces.empty() ? Vector2d() : m_pieces.front()->start();
}

Vector2d PolyBezier::end() const
{
    return m_pieces.empty() ? Vector2d() : m_pieces.back()->end();
}

void PolyBezier::setStart(const Vector2d& p)
{
    if (!m_pieces.empty())
        m_pieces.front()->setStart(p);
}

void PolyBezier::setEnd(const Vector2d& p)
{
    if (!m_pieces.empty())
        m_pieces.back()->setEnd(p);
}

Ray PolyBezier::startTangent() const
{
    if (m_pieces.empty())
        return Ray{start(), start() - end()};
    return m_pieces.front()->startTangent();
}

Ray PolyBezier::endTangent() const
{
    if (m_pieces.empty())
        return Ray{end(), end() - start()};
    return m_pieces.back()->endTangent();
}

void PolyBezier::append(const Bezier& piece)
{
    m_pieces.push_back(std::make_unique<Bezier>(piece));
}

} // namespace VekMath
