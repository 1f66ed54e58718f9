#pragma once

#include "geometry/rect2d.h"
#include "geometry/rect2di.h"
#include "geometry/vector2d.h"
#include "relief/selectionmode.h"

#include <QList>
#include <QPointF>

class Relief;
class SculptUndo;

// The relief's selection operations. Each marks its cells in the relief's
// work mask, merges them into the selection by the mode and leaves the
// selection active. Shapes reaching off the grid are clipped to it.
namespace ReliefSelection {

// Cells trunc(x1)..trunc(x2) by trunc(y1)..trunc(y2), bounds included; r in
// grid cells.
void selectRectangle(Relief& relief, const VekMath::Rect2d& r, SelectionMode mode);
// The ellipse inscribed in r (grid cells): its outline and what it encloses.
void selectEllipse(Relief& relief, const VekMath::Rect2d& r, SelectionMode mode);
// Points in grid cells; edges join consecutive points only, so a closed
// outline repeats its first point at the end.
void selectPolygon(Relief& relief, const QList<QPointF>& points, SelectionMode mode);
// Cells whose height lies within tolerance x the height range of the cell
// at p (relative to the grid centre); with continuous only its 4-connected
// region. In Normal mode a click on a selected cell only deselects all. A
// point off the grid changes nothing. The result is always empty.
VekMath::Rect2di magicSelect(Relief& relief, const VekMath::Vector2d& p, double tolerance, bool continuous,
                             SelectionMode mode);
// Keeps the heights inside the bounding box of the relief's first shape
// (points relative to the grid centre) and zeroes the rest, recorded as one
// undo group when undo is given. Without a shape nothing happens.
void crop(Relief& relief, SculptUndo* undo);

} // namespace ReliefSelection
