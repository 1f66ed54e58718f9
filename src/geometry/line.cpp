#include "geometry/line.h"

namespace VekMath {

Line::Line(const Vector2d& start, const Vector2d& end) : Segment(LineType, start, end) {}

Ray Line::startTangent() const
{
    return Ray{m_start, m_start - m_end};
}

Ray Line::endTangent() const
{
    return Ray{m_end, m_end - m_start};
}

} // namespace VekMath
