#include "geometry/segment.h"

namespace VekMath {

Segment::Segment(int type, const Vector2d& start, const Vector2d& end)
    : m_start(start), m_end(end), m_type(type)
{
}

Segment::~Segment() {}

} // namespace VekMath
