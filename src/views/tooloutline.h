#pragma once

#include "geometry/vector3d.h"

#include <vector>

class QOpenGLFunctions_2_1;
class Relief;
class Tool;

// The footprint of a brush around a model point, draped over the relief:
// what the views draw under the mouse so the user sees where a dab lands.
class ToolOutline
{
public:
    // The outline's vertices in model space, about one a pixel at zoom and
    // closed by repeating the first: an ellipse for a round tool, the edges
    // of its rectangle for a square one; none for any other form.
    static std::vector<VekMath::Vector3d> points(const Tool& tool, const Relief& relief,
                                                 const VekMath::Vector3d& centre, double zoom);

    // One translucent red polygon lit from the front, drawn over whatever
    // is in the depth buffer and leaving it as it was.
    static void draw(QOpenGLFunctions_2_1* gl, const std::vector<VekMath::Vector3d>& points,
                     double zoom);
};
