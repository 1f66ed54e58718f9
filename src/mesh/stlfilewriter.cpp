#include "mesh/stlfilewriter.h"

#include "geometry/plane.h"
#include "mesh/facetshape.h"

#include <QByteArray>
#include <QDataStream>
#include <QString>
#include <QtEndian>

#include <cstring>

using VekMath::Vector3d;

namespace {

// How often the facets written so far are told.
const int WrittenEvery = 4096;

// Facet records gathered in memory and handed to the stream in blocks.
class FacetBlock
{
public:
    explicit FacetBlock(QDataStream& out) : out(out) { bytes.reserve(Capacity * 50); }

    void add(const Vector3d& normal, const Vector3d& c1, const Vector3d& c2, const Vector3d& c3)
    {
        putVector(normal);
        putVector(c1);
        putVector(c2);
        putVector(c3);
        const char attribute[2] = {0, 0};
        bytes.append(attribute, 2);
        if (bytes.size() >= Capacity * 50)
            flush();
    }

    // False once the stream is not Ok.
    bool flush()
    {
        if (!bytes.isEmpty()) {
            out.writeRawData(bytes.constData(), bytes.size());
            bytes.clear();
        }
        return out.status() == QDataStream::Ok;
    }

private:
    static const int Capacity = 4096;

    void putFloat(double v)
    {
        const float f = float(v);
        quint32 bits;
        std::memcpy(&bits, &f, sizeof bits);
        char le[4];
        qToLittleEndian(bits, le);
        bytes.append(le, 4);
    }
    void putVector(const Vector3d& v)
    {
        putFloat(v.x);
        putFloat(v.y);
        putFloat(v.z);
    }

    QDataStream& out;
    QByteArray bytes;
};

void prepare(QDataStream& out, const QString& header)
{
    out.setByteOrder(QDataStream::LittleEndian);
    out.setFloatingPointPrecision(QDataStream::SinglePrecision);
    QByteArray text = header.toLatin1();
    const int nul = text.indexOf('\0');
    if (nul >= 0)
        text.truncate(nul);
    text = text.left(80);
    text.append(QByteArray(80 - text.size(), '\0'));
    out.writeRawData(text.constData(), 80);
}

} // namespace

bool writeHeightFieldStl(QDataStream& out, int width, int height, double zScale, const float* heights,
                         const QString& header, const std::function<bool(int, int)>& written)
{
    prepare(out, header);
    if (height == 1) {
        out << quint32(0);
        return out.status() == QDataStream::Ok;
    }

    auto h = [&](int x, int y) { return heights[size_t(y) * size_t(width) + size_t(x)]; };
    quint32 count = 0;
    for (int j = 0; j + 1 < height; ++j) {
        for (int i = 0; i + 1 < width; ++i) {
            const bool zero00 = h(i, j) == 0.0f, zero10 = h(i + 1, j) == 0.0f;
            const bool zero01 = h(i, j + 1) == 0.0f, zero11 = h(i + 1, j + 1) == 0.0f;
            count += !(zero00 && zero10 && zero01);
            count += !(zero01 && zero10 && zero11);
        }
    }
    out << count;
    if (out.status() != QDataStream::Ok)
        return false;

    auto point = [&](int x, int y) { return Vector3d(x / 128.0, y / 128.0, double(h(x, y)) / 128.0 * zScale); };
    FacetBlock block(out);
    int done = 0;
    auto goOn = [&] {
        const int n = done++;
        return !written || n % WrittenEvery != 0 || written(n, int(count));
    };
    for (int j = 0; j + 1 < height; ++j) {
        for (int i = 0; i + 1 < width; ++i) {
            const Vector3d p00 = point(i, j), p10 = point(i + 1, j);
            const Vector3d p01 = point(i, j + 1), p11 = point(i + 1, j + 1);
            if (!(h(i, j) == 0.0f && h(i + 1, j) == 0.0f && h(i, j + 1) == 0.0f)) {
                if (!goOn())
                    return false;
                block.add(VekMath::Plane(p00, p10, p01).normal(), p00, p10, p01);
            }
            if (!(h(i, j + 1) == 0.0f && h(i + 1, j) == 0.0f && h(i + 1, j + 1) == 0.0f)) {
                if (!goOn())
                    return false;
                block.add(VekMath::Plane(p01, p10, p11).normal(), p01, p10, p11);
            }
        }
        if (!block.flush())
            return false;
    }
    return block.flush();
}

bool writeFacetShapeStl(QDataStream& out, const FacetShape& shape, const QString& header,
                        const std::function<bool(int, int)>& written)
{
    prepare(out, header);
    out << quint32(shape.facetCount());
    if (out.status() != QDataStream::Ok)
        return false;
    FacetBlock block(out);
    int count = 0;
    for (const Facet& f : shape.facets()) {
        if (written && count % WrittenEvery == 0 && !written(count, shape.facetCount()))
            return false;
        block.add(f.normal, f.corners[0], f.corners[1], f.corners[2]);
        ++count;
    }
    return block.flush();
}

bool writeFacetsStl(QDataStream& out, quint32 count, const std::function<bool(Facet*)>& next,
                    const QString& header)
{
    prepare(out, header);
    out << count;
    if (out.status() != QDataStream::Ok)
        return false;
    FacetBlock block(out);
    Facet f;
    for (quint32 i = 0; i < count; ++i) {
        if (!next(&f))
            return false;
        block.add(f.normal, f.corners[0], f.corners[1], f.corners[2]);
    }
    return block.flush();
}
