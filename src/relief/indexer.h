#pragma once

#include <QPoint>

// Neighbour walk over a row-major grid, cell index = y * width + x. Every
// neighbour query answers -1 off the grid or for an index outside it.
class Indexer
{
public:
    enum Neighbors : qint32 {
        Left = 0,
        Right = 1,
        Up = 2,
        Down = 3,
        UpLeft = 4,
        UpRight = 5,
        DownLeft = 6,
        DownRight = 7
    };

    Indexer(int width, int height);

    int width() const { return m_width; }
    int height() const { return m_height; }

    int left(int i) const { return neighborOf(i, Left); }
    int right(int i) const { return neighborOf(i, Right); }
    int up(int i) const { return neighborOf(i, Up); }
    int down(int i) const { return neighborOf(i, Down); }
    // A direction above 7 is a fatal error.
    int neighborOf(int i, Neighbors n) const;
    static Neighbors oppositeNeighborOf(Neighbors n);

    bool isVerticalNeighbor(int i, int j) const;
    bool isHorizontalNeighbor(int i, int j) const;
    bool isDiagonalNeighbor(int i, int j) const;
    bool isNeighbor(int i, int j) const;
    // (dx, dy) from cell i to cell j.
    QPoint offset(int i, int j) const;

private:
    bool valid(int i) const { return i >= 0 && i < m_width * m_height; }

    int m_width;
    int m_height;
};
