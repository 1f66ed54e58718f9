#pragma once

#include <QtGlobal>

#include <functional>

class FacetShape;
struct Facet;
class QDataStream;
class QString;

// Binary STL writers. Both set the stream to little-endian and single
// precision themselves, write the header text's Latin-1 bytes cut at 80 and
// at the first NUL, padded with zeros, and return true when everything was
// written with the stream status Ok.

// written, when given, is told every so many facets how many are written of
// how many in all; when it returns false the writing stops and fails.

// The relief grid (heights in cells, row-major) in inches: two triangles per
// cell, a triangle left out when all three of its heights are exactly 0.
bool writeHeightFieldStl(QDataStream& out, int width, int height, double zScale, const float* heights,
                         const QString& header, const std::function<bool(int, int)>& written = {});

// The facets as stored, normals included.
bool writeFacetShapeStl(QDataStream& out, const FacetShape& shape, const QString& header,
                        const std::function<bool(int, int)>& written = {});

// count facets, each handed out by next in turn, without a shape of them
// all in memory; false as well when next runs out before count.
bool writeFacetsStl(QDataStream& out, quint32 count, const std::function<bool(Facet*)>& next,
                    const QString& header);
