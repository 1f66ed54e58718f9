#pragma once

#include <functional>

class FacetShape;
class QTextStream;

// OBJ text writers: a header comment, "v" lines, then "f" lines with 1-based
// vertex numbers; numbers in six significant digits with trailing zeros and
// the point always shown, in the C locale. Both flush the stream and return
// true when its status is then Ok.

// written, when given, is told every so many facets how many are written of
// how many in all; when it returns false the writing stops and fails.

// Every grid point as a vertex in inches; two triangles per cell, a triangle
// left out when any of its three heights is exactly 0. written counts the
// vertices with the faces: they come first and take a third of the file.
bool writeHeightFieldObj(QTextStream& out, int width, int height, double zScale, const float* heights,
                         const std::function<bool(int, int)>& written = {});

// Three vertices and one face per facet; normals are not written.
bool writeFacetShapeObj(QTextStream& out, const FacetShape& shape,
                        const std::function<bool(int, int)>& written = {});
