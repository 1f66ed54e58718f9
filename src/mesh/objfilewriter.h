#pragma once

#include <functional>

class FacetShape;
class QTextStream;

// OBJ text writers: a header comment, "v" lines, then "f" lines with 1-based
// vertex numbers; numbers in six significant digits with trailing zeros and
// the point always shown, in the C locale. Both flush the stream and return
// true when its status is then Ok.

// Every grid point as a vertex in inches; two triangles per cell, a triangle
// left out when any of its three heights is exactly 0.
bool writeHeightFieldObj(QTextStream& out, int width, int height, double zScale, const float* heights);

// Three vertices and one face per facet; normals are not written. written,
// when given, is told every so many facets how many are written; when it
// returns false the writing stops and fails.
bool writeFacetShapeObj(QTextStream& out, const FacetShape& shape, const std::function<bool(int)>& written = {});
