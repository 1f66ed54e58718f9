#include "relief/indexer.h"

#include <QtGlobal>

#include <cstdlib>

namespace {

const int kDx[8] = {-1, 1, 0, 0, -1, 1, -1, 1};
const int kDy[8] = {0, 0, -1, 1, -1, -1, 1, 1};

void checkDirection(int n)
{
    if (n < 0 || n > 7)
        qFatal("Bad Neighbor!");
}

} // namespace

Indexer::Indexer(int width, int height)
    : m_width(width)
    , m_height(height)
{
}

int Indexer::neighborOf(int i, Neighbors n) const
{
    checkDirection(n);
    if (!valid(i))
        return -1;
    const int x = i % m_width + kDx[n];
    const int y = i / m_width + kDy[n];
    if (x < 0 || x >= m_width || y < 0 || y >= m_height)
        return -1;
    return y * m_width + x;
}

Indexer::Neighbors Indexer::oppositeNeighborOf(Neighbors n)
{
    static const Neighbors opposite[8] = {Right, Left, Down, Up, DownRight, DownLeft, UpRight, UpLeft};
    checkDirection(n);
    return opposite[n];
}

QPoint Indexer::offset(int i, int j) const
{
    if (m_width <= 0)
        return QPoint();
    return QPoint(j % m_width - i % m_width, j / m_width - i / m_width);
}

bool Indexer::isVerticalNeighbor(int i, int j) const
{
    const QPoint d = offset(i, j);
    return valid(i) && valid(j) && d.x() == 0 && std::abs(d.y()) == 1;
}

bool Indexer::isHorizontalNeighbor(int i, int j) const
{
    const QPoint d = offset(i, j);
    return valid(i) && valid(j) && d.y() == 0 && std::abs(d.x()) == 1;
}

bool Indexer::isDiagonalNeighbor(int i, int j) const
{
    const QPoint d = offset(i, j);
    return valid(i) && valid(j) && std::abs(d.x()) == 1 && std::abs(d.y()) == 1;
}

bool Indexer::isNeighbor(int i, int j) const
{
    return isVerticalNeighbor(i, j) || isHorizontalNeighbor(i, j) || isDiagonalNeighbor(i, j);
}
