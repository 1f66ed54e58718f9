#include "mesh/objfilereader.h"

#include "app/logfile.h"
#include "geometry/plane.h"
#include "mesh/facetshape.h"
#include "mesh/meshnumber.h"

#include <QTextStream>

#include <GL/glu.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>
#include <new>

using VekMath::Vector3d;

namespace {

const int ReadAhead = 1 << 16;

// The decimal integer before a face token's first "/", as QString::toInt
// reads it; false when it is none or does not fit an int.
bool parseIndex(const std::string& token, int* value, std::string* text)
{
    *text = token.substr(0, token.find('/'));
    const char* p = text->data();
    const char* end = p + text->size();
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

QString latin1(const std::string& s)
{
    return QString::fromLatin1(s.data(), int(s.size()));
}

bool isFinite(const Vector3d& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

} // namespace

ObjFileReader::ObjFileReader(QTextStream* stream)
    : stream(stream)
{
}

ObjFileReader::~ObjFileReader()
{
    if (tessellator)
        gluDeleteTess(tessellator);
}

bool ObjFileReader::atEnd()
{
    if (pushedBack >= 0 || textPos < text.size())
        return false;
    return stream->atEnd();
}

int ObjFileReader::getChar()
{
    if (pushedBack >= 0) {
        const int c = pushedBack;
        pushedBack = -1;
        return c;
    }
    if (textPos >= text.size()) {
        text = stream->read(ReadAhead).toLatin1();
        textPos = 0;
        if (text.isEmpty())
            return -1;
    }
    return (unsigned char)text[textPos++];
}

const std::string& ObjFileReader::nextToken()
{
    token.clear();
    int c = getChar();
    while (c == ' ' || c == '\t')
        c = getChar();
    if (c == '\r') {
        c = getChar();
        if (c != '\n' && c >= 0)
            pushedBack = c;
        return token;
    }
    if (c == '\n' || c < 0)
        return token;
    for (;;) {
        // Collect a run straight from the read-ahead bytes.
        token.push_back(char(c));
        const char* p = text.constData() + textPos;
        const char* end = text.constData() + text.size();
        const char* q = p;
        if (pushedBack < 0) {
            while (q < end && *q != ' ' && *q != '\t' && *q != '\r' && *q != '\n')
                ++q;
            token.append(p, size_t(q - p));
            textPos += int(q - p);
        }
        c = getChar();
        if (c == ' ' || c == '\t' || c < 0)
            return token;
        if (c == '\r' || c == '\n') {
            pushedBack = c;
            return token;
        }
    }
}

void ObjFileReader::skipLine()
{
    for (;;) {
        const char* p = text.constData() + textPos;
        const char* end = text.constData() + text.size();
        const char* q = p;
        if (pushedBack < 0) {
            while (q < end && *q != '\r' && *q != '\n')
                ++q;
            textPos += int(q - p);
        }
        const int c = getChar();
        if (c < 0 || c == '\n')
            return;
        if (c == '\r') {
            const int next = getChar();
            if (next != '\n' && next >= 0)
                pushedBack = next;
            return;
        }
    }
}

double ObjFileReader::readDouble(const std::string& given)
{
    const std::string& t = given.empty() ? nextToken() : given;
    double v = 0.0;
    if (MeshNumber::parse(t.data(), t.data() + t.size(), &v) != MeshNumber::Number) {
        LogFile::warning() << "ObjFileReader: bad double (" << latin1(t) << ")\n";
        ok = false;
        return 0.0;
    }
    return v;
}

bool ObjFileReader::readVertex(std::vector<Vector3d>& vertices)
{
    const std::string none;
    const double x = readDouble(none);
    const double y = readDouble(none);
    const double z = readDouble(none);
    if (!ok)
        return false;
    // One more number is a weight; three more are a colour, not a weight.
    std::string weight;
    int extras = 0;
    for (;;) {
        const std::string& t = nextToken();
        if (t.empty())
            break;
        if (extras++ == 0)
            weight = t;
    }
    Vector3d v(x, y, z);
    if (extras == 1 || extras == 2) {
        const double w = readDouble(weight);
        if (!ok)
            return false;
        if (w != 0.0) {
            v = Vector3d(x / w, y / w, z / w);
            if (!isFinite(v)) {
                LogFile::warning() << "ObjFileReader: bad double (" << latin1(weight) << ")\n";
                ok = false;
                return false;
            }
        }
    }
    vertices.push_back(v);
    return true;
}

bool ObjFileReader::readFace(int vertexCount, std::vector<int>& indices)
{
    const size_t first = indices.size();
    std::string number;
    for (;;) {
        const std::string& t = nextToken();
        if (t.empty())
            break;
        int n = 0;
        const bool valid = parseIndex(t, &n, &number);
        // 0 names no vertex; a count back must stay within the vertices so
        // far. Forward numbers are checked once every vertex is read.
        if (!valid || n == 0 || (n < 0 && vertexCount + n < 0)) {
            LogFile::warning() << "ObjFileReader: bad vertex id (" << latin1(number) << ")\n";
            ok = false;
            break;
        }
        indices.push_back(n > 0 ? n - 1 : vertexCount + n);
    }
    if (indices.size() - first < 3) {
        LogFile::warning() << "ObjFileReader: face with less than 3 vertices\n";
        ok = false;
    }
    return ok;
}

FacetShape* ObjFileReader::read()
{
    try {
        std::vector<Vector3d> vertices;
        std::vector<int> indices;
        std::vector<int> faceEnds;
        while (!atEnd()) {
            const std::string& record = nextToken();
            if (record == "v") {
                if (vertices.size() >= size_t(INT_MAX)) {
                    LogFile::warning() << "ObjFileReader: too many vertices\n";
                    ok = false;
                } else {
                    readVertex(vertices);
                }
            } else if (record == "f") {
                if (readFace(int(vertices.size()), indices)) {
                    if (indices.size() > size_t(INT_MAX)) {
                        LogFile::warning() << "ObjFileReader: too many faces\n";
                        ok = false;
                    } else {
                        faceEnds.push_back(int(indices.size()));
                    }
                }
            } else if (!record.empty()) {
                skipLine();
            }
            if (stream->status() != QTextStream::Ok) {
                LogFile::warning() << "ObjFileReader: QTextStream error detected " << int(stream->status()) << "\n";
                return nullptr;
            }
            if (!ok)
                return nullptr;
        }
        return resolve(vertices, indices, faceEnds);
    } catch (const std::bad_alloc&) {
        LogFile::warning() << "ObjFileReader: out of memory\n";
        return nullptr;
    }
}

FacetShape* ObjFileReader::resolve(const std::vector<Vector3d>& vertices, const std::vector<int>& indices,
                                   const std::vector<int>& faceEnds)
{
    const int vertexCount = int(vertices.size());
    for (int index : indices) {
        if (index >= vertexCount) {
            LogFile::warning() << "ObjFileReader: bad vertex id (" << index + 1 << ")\n";
            return nullptr;
        }
    }

    std::unique_ptr<FacetShape> shape(new FacetShape);
    shape->reserve(int(std::min<size_t>(faceEnds.size(), size_t(FacetShape::MaxFacets))));
    QVector<Vector3d> polygon;
    int start = 0;
    for (int end : faceEnds) {
        if (end - start == 3) {
            const Vector3d& a = vertices[size_t(indices[size_t(start)])];
            const Vector3d& b = vertices[size_t(indices[size_t(start) + 1])];
            const Vector3d& c = vertices[size_t(indices[size_t(start) + 2])];
            if (!shape->addFacet(Facet(a, b, c, VekMath::Plane(a, b, c).normal())))
                return nullptr;
        } else {
            polygon.clear();
            for (int i = start; i < end; ++i)
                polygon.append(vertices[size_t(indices[size_t(i)])]);
            tessellateFace(polygon);
            for (const Facet& f : qAsConst(tessFacets))
                if (!shape->addFacet(f))
                    return nullptr;
        }
        start = end;
    }
    return shape.release();
}

void ObjFileReader::tessellateFace(const QVector<Vector3d>& polygon)
{
    tessFacets.clear();
    cornerCount = 0;
    combined.clear();

    // One tessellator serves every polygon of the file.
    if (!tessellator) {
        tessellator = gluNewTess();
        if (!tessellator) {
            LogFile::warning() << "Failed to allocate GLUtesselator\n";
            return;
        }
        gluTessCallback(tessellator, GLU_TESS_ERROR_DATA, reinterpret_cast<_GLUfuncptr>(&tessError));
        gluTessCallback(tessellator, GLU_TESS_VERTEX_DATA, reinterpret_cast<_GLUfuncptr>(&tessVertex));
        gluTessCallback(tessellator, GLU_TESS_EDGE_FLAG_DATA, reinterpret_cast<_GLUfuncptr>(&tessEdgeFlag));
        gluTessCallback(tessellator, GLU_TESS_COMBINE_DATA, reinterpret_cast<_GLUfuncptr>(&tessCombine));
    }

    gluTessBeginPolygon(tessellator, this);
    gluTessBeginContour(tessellator);
    for (const Vector3d& p : polygon) {
        combined.push_back({p.x, p.y, p.z});
        double* coords = combined.back().data();
        gluTessVertex(tessellator, coords, coords);
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
    self->combined.push_back({coords[0], coords[1], coords[2]});
    *outData = self->combined.back().data();
}

void ObjFileReader::tessError(unsigned int error, void* polygonData)
{
    LogFile::warning() << "Tessellation error: obj = " << polygonData << ", error code = " << error << "\n";
}

void ObjFileReader::tessEdgeFlag(unsigned char, void*)
{
}
