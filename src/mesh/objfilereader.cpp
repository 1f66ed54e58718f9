#include "mesh/objfilereader.h"

#include "base/logfile.h"
#include "geometry/plane.h"
#include "mesh/facetshape.h"
#include "mesh/meshnumber.h"

#include <QTextStream>

#include <GL/glu.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <vector>

using VekMath::Vector3d;

namespace {

const int ReadAhead = 1 << 16;
// No record needs a line as long as this; longer ones are skipped.
const int LineCap = 1 << 26;
// What a Qt 5 vector can hold.
const int MaxCoordinates = int((INT_MAX - 4096) / sizeof(double)) / 3 * 3;
const int MaxIndices = int((INT_MAX - 4096) / sizeof(int));

// A warning quotes at most this much of a word, so that one huge word
// cannot make a huge log line.
const int QuoteCap = 64;

// A word of the file as a warning quotes it.
QString latin1(const char* begin, const char* end)
{
    if (end - begin > QuoteCap)
        return QString::fromLatin1(begin, QuoteCap) + QStringLiteral("...");
    return QString::fromLatin1(begin, int(end - begin));
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The next token of [p, end), spaces and tabs separating them; false when
// the line holds no more.
bool nextWord(const char*& p, const char* end, const char** word, const char** wordEnd)
{
    while (p < end && isBlank(*p))
        ++p;
    if (p == end)
        return false;
    *word = p;
    while (p < end && !isBlank(*p))
        ++p;
    *wordEnd = p;
    return true;
}

// The decimal integer of [p, end), as QString::toInt reads it; false when
// it is none or does not fit an int.
bool parseIndex(const char* p, const char* end, int* value)
{
    while (p < end && MeshNumber::isSpace((unsigned char)*p))
        ++p;
    while (end > p && MeshNumber::isSpace((unsigned char)end[-1]))
        --end;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-'))
        negative = *p++ == '-';
    if (p == end)
        return false;
    long long v = 0;
    for (; p < end; ++p) {
        if (*p < '0' || *p > '9')
            return false;
        v = v * 10 + (*p - '0');
        if (v > (long long)INT_MAX + 1)
            return false;
    }
    v = negative ? -v : v;
    if (v > INT_MAX || v < INT_MIN)
        return false;
    *value = int(v);
    return true;
}

bool isFinite(const Vector3d& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// The polygon scaled by the power of two that brings its largest coordinate
// to about 1, and that power. The tessellator, handed it so, decides every
// step as it would on the file's numbers and makes every new corner scaled
// by exactly that power, while its products of numbers near the largest
// neither overflow nor vanish, however large or small the file's are.
int unitScaled(const QVector<Vector3d>& polygon, QVector<Vector3d>& seen)
{
    double size = 0.0;
    for (const Vector3d& p : polygon)
        size = std::max({size, std::fabs(p.x), std::fabs(p.y), std::fabs(p.z)});
    const int scale = size == 0.0 ? 0 : -std::ilogb(size);
    seen.clear();
    for (const Vector3d& p : polygon)
        seen.append(Vector3d(std::ldexp(p.x, scale), std::ldexp(p.y, scale), std::ldexp(p.z, scale)));
    return scale;
}

double coordinate(const Vector3d& p, int axis)
{
    return axis == 0 ? p.x : axis == 1 ? p.y : p.z;
}

// The axis of the largest component of v, the first of equal ones.
int longAxis(const Vector3d& v)
{
    int axis = 0;
    if (std::fabs(v.y) > std::fabs(v.x))
        axis = 1;
    if (std::fabs(v.z) > std::fabs(coordinate(v, axis)))
        axis = 2;
    return axis;
}

// The normal the tessellator gives a polygon when given none: that of the
// largest triangle of the two corners farthest apart along the axis the
// corners spread most along and a third; (0, 0, 1) when they are all one
// point. It keeps the corners from the second on, the first last, and of
// equal ones takes the first it meets.
Vector3d tessellatorNormal(const QVector<Vector3d>& polygon)
{
    const int n = polygon.size();
    const auto corner = [&polygon, n](int k) -> const Vector3d& { return polygon[(k + 1) % n]; };
    int lowest[3] = {0, 0, 0};
    int highest[3] = {0, 0, 0};
    for (int k = 1; k < n; ++k) {
        for (int a = 0; a < 3; ++a) {
            const double c = coordinate(corner(k), a);
            if (c < coordinate(corner(lowest[a]), a))
                lowest[a] = k;
            if (c > coordinate(corner(highest[a]), a))
                highest[a] = k;
        }
    }
    const auto spread = [&](int a) { return coordinate(corner(highest[a]), a) - coordinate(corner(lowest[a]), a); };
    int a = 0;
    if (spread(1) > spread(0))
        a = 1;
    if (spread(2) > spread(a))
        a = 2;
    if (!(spread(a) > 0.0))
        return Vector3d(0.0, 0.0, 1.0);
    const Vector3d& far = corner(highest[a]);
    const Vector3d across = corner(lowest[a]) - far;
    Vector3d normal;
    double largest = 0.0;
    for (int k = 0; k < n; ++k) {
        const Vector3d t = Vector3d::cross(across, corner(k) - far);
        const double squared = t.x * t.x + t.y * t.y + t.z * t.z;
        if (squared > largest) {
            largest = squared;
            normal = t;
        }
    }
    if (largest > 0.0)
        return normal;
    // The corners lie on a line.
    const int line = longAxis(across);
    return Vector3d(line == 0 ? 1.0 : 0.0, line == 1 ? 1.0 : 0.0, line == 2 ? 1.0 : 0.0);
}

// Twice the polygon's area flattened along the axis, positive where its
// corners run anticlockwise seen from the axis's positive side.
double flatArea(const QVector<Vector3d>& polygon, int axis)
{
    const int n = polygon.size();
    double area = 0.0;
    for (int i = 0; i < n; ++i) {
        const Vector3d& a = polygon[i];
        const Vector3d& b = polygon[(i + 1) % n];
        area += (coordinate(a, (axis + 1) % 3) - coordinate(b, (axis + 1) % 3))
              * (coordinate(a, (axis + 2) % 3) + coordinate(b, (axis + 2) % 3));
    }
    return area;
}

// An edge of a polygon flattened along an axis, with its box. Along v the
// box reaches as far off the edge as a corner within its span along u can
// lie and still seem on it to the tessellator: the product of that span and
// the corner's distance, by which it tells the side, vanishes that far off.
struct FlatEdge
{
    double u0, v0, u1, v1;
    double uMin, uMax, vMin, vMax;
    int index;
};

// Which side of the line through a and b the point p lies on, by its sign,
// worked out as the tessellator works it out: where both products vanish, p
// lies on the line to it, however far off.
double side(double au, double av, double bu, double bv, double pu, double pv)
{
    return (bu - au) * (pv - av) - (bv - av) * (pu - au);
}

bool oppositeSides(double s, double t)
{
    return (s < 0.0 && t > 0.0) || (s > 0.0 && t < 0.0);
}

// Whether p lies on the edge e, its ends included.
bool onEdge(const FlatEdge& e, double pu, double pv)
{
    return pu >= e.uMin && pu <= e.uMax && pv >= e.vMin && pv <= e.vMax
        && side(e.u0, e.v0, e.u1, e.v1, pu, pv) == 0.0;
}

// Whether the polygon's corners, flattened along the axis, all lie on one
// line: it then encloses nothing, and the tessellator makes no facets of it.
bool flatLine(const QVector<Vector3d>& polygon, int axis)
{
    const auto u = [axis](const Vector3d& p) { return coordinate(p, (axis + 1) % 3); };
    const auto v = [axis](const Vector3d& p) { return coordinate(p, (axis + 2) % 3); };
    const Vector3d& a = polygon[0];
    const Vector3d* far = &a;
    double reach = 0.0;
    for (const Vector3d& p : polygon) {
        const double d = std::max(std::fabs(u(p) - u(a)), std::fabs(v(p) - v(a)));
        if (d > reach) {
            reach = d;
            far = &p;
        }
    }
    for (const Vector3d& p : polygon)
        if (side(u(a), v(a), u(*far), v(*far), u(p), v(p)) != 0.0)
            return false;
    return true;
}

// How often the polygon's edges, flattened along the given axis, cross or
// touch each other, counted up to limit + 1. The tessellator makes a vertex
// of every crossing and splits an edge wherever a corner lies on it: a face
// crossing itself everywhere, or whose corners all lie on one of its edges
// or on each other, costs far more than its corners tell.
qint64 meetings(const QVector<Vector3d>& polygon, int axis, qint64 limit)
{
    const int n = polygon.size();
    const auto u = [axis](const Vector3d& p) { return coordinate(p, (axis + 1) % 3); };
    const auto v = [axis](const Vector3d& p) { return coordinate(p, (axis + 2) % 3); };

    std::vector<FlatEdge> edges(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const Vector3d& a = polygon[i];
        const Vector3d& b = polygon[(i + 1) % n];
        FlatEdge& e = edges[size_t(i)];
        e = {u(a), v(a), u(b), v(b), 0.0, 0.0, 0.0, 0.0, i};
        e.uMin = std::min(e.u0, e.u1);
        e.uMax = std::max(e.u0, e.u1);
        const double blind = e.uMax > e.uMin ? 0x1p-1074 / (e.uMax - e.uMin) : 0.0;
        e.vMin = std::min(e.v0, e.v1) - blind;
        e.vMax = std::max(e.v0, e.v1) + blind;
    }
    // Only edges whose boxes overlap can meet: sorted by their left ends,
    // each edge is tried against those starting within its own reach.
    std::sort(edges.begin(), edges.end(), [](const FlatEdge& a, const FlatEdge& b) { return a.uMin < b.uMin; });
    qint64 count = 0;
    for (size_t i = 0; i < edges.size(); ++i) {
        const FlatEdge& a = edges[i];
        for (size_t j = i + 1; j < edges.size() && edges[j].uMin <= a.uMax; ++j) {
            const FlatEdge& b = edges[j];
            const int apart = std::abs(a.index - b.index);
            // Neighbours share a corner.
            if (b.vMin > a.vMax || b.vMax < a.vMin || apart <= 1 || apart == n - 1)
                continue;
            const bool cross =
                oppositeSides(side(a.u0, a.v0, a.u1, a.v1, b.u0, b.v0), side(a.u0, a.v0, a.u1, a.v1, b.u1, b.v1))
                && oppositeSides(side(b.u0, b.v0, b.u1, b.v1, a.u0, a.v0), side(b.u0, b.v0, b.u1, b.v1, a.u1, a.v1));
            if ((cross || onEdge(a, b.u0, b.v0) || onEdge(a, b.u1, b.v1) || onEdge(b, a.u0, a.v0)
                 || onEdge(b, a.u1, a.v1))
                && ++count > limit)
                return count;
        }
    }
    return count;
}

} // namespace

ObjFileReader::ObjFileReader(QTextStream* stream, const std::atomic<bool>* stop)
    : stream(stream)
    , stop(stop)
{
}

ObjFileReader::~ObjFileReader()
{
    if (tessellator)
        gluDeleteTess(tessellator);
}

bool ObjFileReader::fill(int* offset)
{
    text.remove(0, textPos);
    *offset -= textPos;
    textPos = 0;
    const QByteArray more = stream->read(ReadAhead).toLatin1();
    if (more.isEmpty())
        return false;
    text.append(more);
    return true;
}

ObjFileReader::LineState ObjFileReader::takeLine(int* end)
{
    int scanned = textPos;
    for (;;) {
        const char* p = text.constData();
        const char* lf = static_cast<const char*>(std::memchr(p + scanned, '\n', size_t(text.size() - scanned)));
        const char* stop = lf ? lf : p + text.size();
        const char* cr = static_cast<const char*>(std::memchr(p + scanned, '\r', size_t(stop - (p + scanned))));
        if (cr || lf) {
            *end = int((cr ? cr : lf) - p);
            return Complete;
        }
        scanned = text.size();
        if (text.size() - textPos >= LineCap) {
            *end = text.size();
            return TooLong;
        }
        if (!fill(&scanned)) {
            *end = text.size();
            return DataEnd;
        }
    }
}

void ObjFileReader::finishLine(int end)
{
    textPos = end;
    if (textPos >= text.size())
        return;
    const char c = text[textPos++];
    if (c == '\r' && (textPos < text.size() || fill(&textPos)) && text[textPos] == '\n')
        ++textPos;
}

void ObjFileReader::skipLongLine()
{
    for (;;) {
        int end = 0;
        const LineState state = takeLine(&end);
        if (state != TooLong) {
            finishLine(end);
            return;
        }
        textPos = text.size();
    }
}

double ObjFileReader::readDouble(const char* begin, const char* end)
{
    double v = 0.0;
    if (MeshNumber::parse(begin, end, &v) != MeshNumber::Number) {
        warn(QStringLiteral("ObjFileReader: bad double (") + latin1(begin, end) + QStringLiteral(")\n"));
        ok = false;
        return 0.0;
    }
    return v;
}

bool ObjFileReader::readVertex(const char* p, const char* end, QVector<double>& coordinates)
{
    double xyz[3];
    for (double& v : xyz) {
        const char* word = p;
        const char* wordEnd = p;
        nextWord(p, end, &word, &wordEnd);
        v = readDouble(word, wordEnd);
        if (!ok)
            return false;
    }
    // One more number is a weight; three more are a colour, not a weight.
    const char* weight = nullptr;
    const char* weightEnd = nullptr;
    int extras = 0;
    for (const char *word, *wordEnd; nextWord(p, end, &word, &wordEnd);) {
        if (extras++ == 0) {
            weight = word;
            weightEnd = wordEnd;
        }
    }
    Vector3d v(xyz[0], xyz[1], xyz[2]);
    if (extras == 1 || extras == 2) {
        const double w = readDouble(weight, weightEnd);
        if (!ok)
            return false;
        if (w != 0.0) {
            v = Vector3d(xyz[0] / w, xyz[1] / w, xyz[2] / w);
            if (!isFinite(v)) {
                warn(QStringLiteral("ObjFileReader: bad double (") + latin1(weight, weightEnd) + QStringLiteral(")\n"));
                ok = false;
                return false;
            }
        }
    }
    coordinates.append(v.x);
    coordinates.append(v.y);
    coordinates.append(v.z);
    return true;
}

bool ObjFileReader::readFace(const char* p, const char* end, int vertexCount, QVector<int>& indices, qint64 line)
{
    const int first = indices.size();
    for (const char *word, *wordEnd; nextWord(p, end, &word, &wordEnd);) {
        if (indices.size() - first == MaxFaceCorners) {
            warn(QStringLiteral("ObjFileReader: face with more than %1 vertices on line %2\n")
                     .arg(MaxFaceCorners)
                     .arg(line));
            ok = false;
            return false;
        }
        const char* slash = static_cast<const char*>(std::memchr(word, '/', size_t(wordEnd - word)));
        const char* numberEnd = slash ? slash : wordEnd;
        int n = 0;
        // 0 names no vertex; a count back must stay within the vertices so
        // far. Forward numbers are checked once every vertex is read.
        if (!parseIndex(word, numberEnd, &n) || n == 0 || (n < 0 && vertexCount + n < 0)) {
            warn(QStringLiteral("ObjFileReader: bad vertex id (") + latin1(word, numberEnd) + QStringLiteral(")\n"));
            ok = false;
            break;
        }
        if (indices.size() >= MaxIndices) {
            warn(QStringLiteral("ObjFileReader: too many faces\n"));
            ok = false;
            break;
        }
        indices.append(n > 0 ? n - 1 : vertexCount + n);
    }
    if (indices.size() - first < 3) {
        warn(QStringLiteral("ObjFileReader: face with less than 3 vertices\n"));
        ok = false;
    }
    return ok;
}

void ObjFileReader::warn(const QString& message)
{
    if (++warnings <= MaxWarnings)
        LogFile::warning() << message;
}

FacetShape* ObjFileReader::read()
{
    warnings = 0;
    FacetShape* shape = readRecords();
    if (warnings > MaxWarnings)
        LogFile::warning() << "ObjFileReader: " << warnings - MaxWarnings << " more warnings not logged\n";
    return shape;
}

FacetShape* ObjFileReader::readRecords()
{
    try {
        QVector<double> coordinates;
        QVector<int> indices;
        QVector<int> faceEnds;
        // The line of each face that is split, for its warnings.
        QVector<qint64> polygonLines;
        for (qint64 line = 1;; ++line) {
            int end = 0;
            const LineState state = takeLine(&end);
            // A stopped device ends the text, most often within a line.
            if (stopped())
                return nullptr;
            if (state == DataEnd && textPos == end)
                break;
            const char* p = text.constData() + textPos;
            const char* lineEnd = text.constData() + end;
            const char* word = p;
            const char* wordEnd = p;
            const bool any = nextWord(p, lineEnd, &word, &wordEnd);
            const bool vertex = any && wordEnd - word == 1 && *word == 'v';
            const bool face = any && wordEnd - word == 1 && *word == 'f';
            if (state == TooLong) {
                if (vertex || face) {
                    warn(QStringLiteral("ObjFileReader: line too long\n"));
                    return nullptr;
                }
                skipLongLine();
                continue;
            }
            if (vertex) {
                if (coordinates.size() >= MaxCoordinates) {
                    warn(QStringLiteral("ObjFileReader: too many vertices\n"));
                    ok = false;
                } else {
                    readVertex(p, lineEnd, coordinates);
                }
            } else if (face && readFace(p, lineEnd, coordinates.size() / 3, indices, line)) {
                if (indices.size() - faceEnds.value(faceEnds.size() - 1) > 3)
                    polygonLines.append(line);
                faceEnds.append(indices.size());
            }
            finishLine(end);
            if (stream->status() != QTextStream::Ok) {
                warn(QStringLiteral("ObjFileReader: QTextStream error detected %1\n").arg(int(stream->status())));
                return nullptr;
            }
            if (!ok)
                return nullptr;
        }
        return resolve(coordinates, indices, faceEnds, polygonLines);
    } catch (const std::bad_alloc&) {
        warn(QStringLiteral("ObjFileReader: out of memory\n"));
        return nullptr;
    }
}

FacetShape* ObjFileReader::resolve(const QVector<double>& coordinates, const QVector<int>& indices,
                                   const QVector<int>& faceEnds, const QVector<qint64>& polygonLines)
{
    const int vertexCount = coordinates.size() / 3;
    for (int index : indices) {
        if (index >= vertexCount) {
            warn(QStringLiteral("ObjFileReader: bad vertex id (%1)\n").arg(qint64(index) + 1));
            return nullptr;
        }
    }
    auto vertex = [&](int index) {
        const double* c = coordinates.constData() + 3 * size_t(index);
        return Vector3d(c[0], c[1], c[2]);
    };

    std::unique_ptr<FacetShape> shape(new FacetShape);
    shape->reserve(qMin(faceEnds.size(), FacetShape::MaxFacets));
    QVector<Vector3d> polygon;
    // The polygon as the tessellator is handed it: what it splits is counted.
    QVector<Vector3d> seen;
    int start = 0;
    int polygons = 0;
    // The splitting work of the faces so far, in squared corners.
    qint64 split = 0;
    for (int end : faceEnds) {
        if (stopped())
            return nullptr;
        if (end - start == 3) {
            const Vector3d a = vertex(indices[start]), b = vertex(indices[start + 1]), c = vertex(indices[start + 2]);
            if (!shape->addFacet(Facet(a, b, c, VekMath::Plane(a, b, c).normal())))
                return nullptr;
        } else {
            polygon.clear();
            for (int i = start; i < end; ++i)
                polygon.append(vertex(indices[i]));
            const int scale = unitScaled(polygon, seen);
            const qint64 line = polygonLines.value(polygons++);
            const qint64 corners = polygon.size();
            // The crossings are counted along the axis the face is then split
            // along, handed to the tessellator so that the two cannot
            // differ. It is the one the tessellator would take of its own
            // accord, facets turning as it would turn them: the way the
            // corners run, or where they enclose nothing, the way its normal
            // points. So the facets stay as they were.
            const Vector3d guess = tessellatorNormal(seen);
            const int axis = longAxis(guess);
            // A face on a line, a sliver some exports write, has no facets
            // to give however its edges overlap.
            if (flatLine(seen, axis)) {
                start = end;
                continue;
            }
            const double area = flatArea(seen, axis);
            const double towards = area > 0.0 || (area == 0.0 && coordinate(guess, axis) > 0.0) ? 1.0 : -1.0;
            qint64 weight = corners;
            // A face past the budget on its corners alone need not be tried.
            if (corners <= FreeCorners || split + corners * corners <= MaxSplitWork) {
                // To the splitting, each crossing weighs about two corners.
                weight += 2 * meetings(seen, axis, (MaxFaceCorners - corners) / 2);
                if (weight > MaxFaceCorners) {
                    warn(QStringLiteral("ObjFileReader: face crossing itself too often on line %1\n").arg(line));
                    return nullptr;
                }
            }
            if (weight > FreeCorners && (split += weight * weight) > MaxSplitWork) {
                warn(QStringLiteral("ObjFileReader: faces too large in all to split on line %1\n").arg(line));
                return nullptr;
            }
            tessellateFace(polygon, seen, scale, axis, towards);
            for (const Facet& f : qAsConst(tessFacets))
                if (!shape->addFacet(f))
                    return nullptr;
        }
        start = end;
    }
    return shape.release();
}

void ObjFileReader::tessellateFace(const QVector<Vector3d>& polygon, const QVector<Vector3d>& scaled, int scale,
                                   int axis, double towards)
{
    tessFacets.clear();
    cornerCount = 0;
    combined.clear();
    tessScale = scale;

    // One tessellator serves every polygon of the file.
    if (!tessellator) {
        tessellator = gluNewTess();
        if (!tessellator) {
            warn(QStringLiteral("Failed to allocate GLUtesselator\n"));
            return;
        }
        gluTessCallback(tessellator, GLU_TESS_ERROR_DATA, reinterpret_cast<_GLUfuncptr>(&tessError));
        gluTessCallback(tessellator, GLU_TESS_VERTEX_DATA, reinterpret_cast<_GLUfuncptr>(&tessVertex));
        gluTessCallback(tessellator, GLU_TESS_EDGE_FLAG_DATA, reinterpret_cast<_GLUfuncptr>(&tessEdgeFlag));
        gluTessCallback(tessellator, GLU_TESS_COMBINE_DATA, reinterpret_cast<_GLUfuncptr>(&tessCombine));
    }

    double normal[3] = {0.0, 0.0, 0.0};
    normal[axis] = towards;
    gluTessNormal(tessellator, normal[0], normal[1], normal[2]);
    gluTessBeginPolygon(tessellator, this);
    gluTessBeginContour(tessellator);
    // The corners come back as the file gave them.
    for (int i = 0; i < polygon.size(); ++i) {
        const Vector3d& p = polygon[i];
        combined.push_back({p.x, p.y, p.z});
        double coords[3] = {scaled[i].x, scaled[i].y, scaled[i].z};
        gluTessVertex(tessellator, coords, combined.back().data());
    }
    gluTessEndContour(tessellator);
    gluTessEndPolygon(tessellator);
}

void ObjFileReader::tessVertex(void* vertexData, void* polygonData)
{
    auto* self = static_cast<ObjFileReader*>(polygonData);
    const double* p = static_cast<const double*>(vertexData);
    self->corners[self->cornerCount++] = Vector3d(p[0], p[1], p[2]);
    if (self->cornerCount == 3) {
        self->cornerCount = 0;
        const Vector3d* c = self->corners;
        self->tessFacets.append(Facet(c[0], c[1], c[2], VekMath::Plane(c[0], c[1], c[2]).normal()));
    }
}

void ObjFileReader::tessCombine(double coords[3], void* /*vertexData*/[4], float /*weight*/[4], void** outData,
                                void* polygonData)
{
    auto* self = static_cast<ObjFileReader*>(polygonData);
    // Scaled back to the file's numbers. Its weights, rounded to floats, can
    // carry a new corner among corners at the largest double past it.
    const auto back = [self](double c) {
        const double largest = std::numeric_limits<double>::max();
        return std::max(-largest, std::min(std::ldexp(c, -self->tessScale), largest));
    };
    self->combined.push_back({back(coords[0]), back(coords[1]), back(coords[2])});
    *outData = self->combined.back().data();
}

void ObjFileReader::tessError(unsigned int error, void* polygonData)
{
    QString text;
    QTextStream(&text) << "Tessellation error: obj = " << polygonData << ", error code = " << error << "\n";
    static_cast<ObjFileReader*>(polygonData)->warn(text);
}

void ObjFileReader::tessEdgeFlag(unsigned char, void*)
{
}
