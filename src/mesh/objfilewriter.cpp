#include "mesh/objfilewriter.h"

#include "mesh/facetshape.h"

#include <QLatin1String>
#include <QTextStream>

#include <charconv>
#include <cmath>
#include <cstring>

namespace {

// How often the facets written so far are told.
const int WrittenEvery = 4096;

void prepare(QTextStream& out)
{
    out << "#Export from Quillon Morvane2\n";
}

// Whether v lies exactly halfway between two numbers of six significant
// digits. Seventeen digits rule out almost every value; the rest are
// written out in full, which is exact for any double.
bool halfway(double v)
{
    char digits[800];
    auto tail = [&](int precision) {
        const std::to_chars_result r =
            std::to_chars(digits, digits + sizeof digits, v, std::chars_format::scientific, precision);
        const char* p = digits + (digits[0] == '-' ? 1 : 0) + 2;  // past the first digit and the point
        const char* e = static_cast<const char*>(std::memchr(p, 'e', size_t(r.ptr - p)));
        if (!e || e - p < 6 || p[5] != '5')
            return false;
        for (const char* q = p + 6; q < e; ++q)
            if (*q != '0')
                return false;
        return true;
    };
    return tail(16) && tail(780);
}

// Six significant digits with trailing zeros and the point always shown,
// exponent form below 1e-4 and from 1e6 on; the C locale whatever the user's.
// As the text stream does, a value halfway between two such numbers goes to
// the one farther from zero, negative zero is written as zero and NaN
// without a sign.
QLatin1String number(double v, char (&buf)[40])
{
    if (std::isnan(v))
        return QLatin1String("nan");
    if (v == 0.0)
        v = 0.0;
    else if (std::isfinite(v) && halfway(v))
        v = std::nextafter(v, v > 0.0 ? HUGE_VAL : -HUGE_VAL);
    char digits[32];
    const std::to_chars_result r = std::to_chars(digits, digits + sizeof digits, v, std::chars_format::general, 6);
    // Sizes stay unsigned: to_chars never ends before its start.
    const size_t n = size_t(r.ptr - digits);
    if (n > 0 && digits[n - 1] == 'f')  // inf
        return QLatin1String(std::strncpy(buf, digits, n), int(n));

    size_t mantissaEnd = 0;
    while (mantissaEnd < n && digits[mantissaEnd] != 'e')
        ++mantissaEnd;
    int significant = 0;
    bool leading = true;
    bool point = false;
    for (size_t i = 0; i < mantissaEnd; ++i) {
        const char c = digits[i];
        if (c == '.')
            point = true;
        else if (c >= '0' && c <= '9' && !(leading && c == '0'))
            leading = false, ++significant;
    }
    if (significant == 0)
        significant = 1;  // zero itself
    std::memcpy(buf, digits, mantissaEnd);
    int out = int(mantissaEnd);
    if (!point)
        buf[out++] = '.';
    for (; significant < 6; ++significant)
        buf[out++] = '0';
    std::memcpy(buf + out, digits + mantissaEnd, n - mantissaEnd);
    out += int(n - mantissaEnd);
    return QLatin1String(buf, out);
}

void writeVertex(QTextStream& out, double x, double y, double z)
{
    char a[40], b[40], c[40];
    out << "v " << number(x, a) << ' ' << number(y, b) << ' ' << number(z, c) << '\n';
}

bool streamOk(const QTextStream& out)
{
    return out.status() == QTextStream::Ok;
}

// The stream keeps text back until its buffer fills: a device that refuses
// the last of it is only found by handing that over before the status is
// read.
bool finished(QTextStream& out)
{
    out.flush();
    return streamOk(out);
}

void writeFace(QTextStream& out, qint64 a, qint64 b, qint64 c)
{
    out << "f " << a << ' ' << b << ' ' << c << '\n';
}

} // namespace

bool writeHeightFieldObj(QTextStream& out, int width, int height, double zScale, const float* heights,
                         const std::function<bool(int, int)>& written)
{
    prepare(out);
    auto h = [&](int x, int y) { return heights[size_t(y) * size_t(width) + size_t(x)]; };
    auto lowerKept = [&](int i, int j) { return h(i, j) != 0.0f && h(i + 1, j) != 0.0f && h(i, j + 1) != 0.0f; };
    auto upperKept = [&](int i, int j) {
        return h(i, j + 1) != 0.0f && h(i + 1, j) != 0.0f && h(i + 1, j + 1) != 0.0f;
    };
    int count = width * height;
    if (written)
        for (int j = 0; j + 1 < height; ++j)
            for (int i = 0; i + 1 < width; ++i)
                count += int(lowerKept(i, j)) + int(upperKept(i, j));
    int done = 0;
    auto goOn = [&] {
        const int n = done++;
        return !written || n % WrittenEvery != 0 || written(n, count);
    };

    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            if (!goOn())
                return false;
            writeVertex(out, x / 128.0, y / 128.0, double(h(x, y)) / 128.0 * zScale);
        }
    if (height == 1)
        return finished(out);

    auto number = [&](int x, int y) { return qint64(y) * width + x + 1; };
    for (int j = 0; j + 1 < height; ++j) {
        for (int i = 0; i + 1 < width; ++i) {
            if (lowerKept(i, j)) {
                if (!goOn())
                    return false;
                writeFace(out, number(i, j), number(i + 1, j), number(i, j + 1));
            }
            if (upperKept(i, j)) {
                if (!goOn())
                    return false;
                writeFace(out, number(i, j + 1), number(i + 1, j), number(i + 1, j + 1));
            }
        }
    }
    return finished(out);
}

bool writeFacetShapeObj(QTextStream& out, const FacetShape& shape, const std::function<bool(int, int)>& written)
{
    prepare(out);
    qint64 k = 1;
    int count = 0;
    for (const Facet& f : shape.facets()) {
        if (!streamOk(out))
            break;
        if (written && count % WrittenEvery == 0 && !written(count, shape.facetCount()))
            return false;
        ++count;
        for (const VekMath::Vector3d& p : f.corners)
            writeVertex(out, p.x, p.y, p.z);
        writeFace(out, k, k + 1, k + 2);
        k += 3;
    }
    return finished(out);
}
