#include "mesh/stlfilereader.h"

#include "mesh/facetshape.h"
#include "mesh/meshnumber.h"

#include <QDataStream>
#include <QIODevice>
#include <QtEndian>

#include <cmath>
#include <cstring>
#include <memory>

using VekMath::Vector3d;

namespace {

const int ReadAhead = 1 << 16;
const int LineLimit = 80;

// Turns white space runs into single spaces and trims both ends, in place.
int simplify(char* s, int n)
{
    int out = 0;
    bool pendingSpace = false;
    for (int i = 0; i < n; ++i) {
        const unsigned char c = (unsigned char)s[i];
        if (MeshNumber::isSpace(c)) {
            pendingSpace = out > 0;
            continue;
        }
        if (pendingSpace) {
            s[out++] = ' ';
            pendingSpace = false;
        }
        s[out++] = char(c);
    }
    return out;
}

bool startsWith(const char* line, int length, const char* prefix, int prefixLength)
{
    return length >= prefixLength && std::memcmp(line, prefix, size_t(prefixLength)) == 0;
}

template <int N>
bool startsWith(const char* line, int length, const char (&prefix)[N])
{
    return startsWith(line, length, prefix, N - 1);
}

// Three numbers separated by single spaces; a part that is not a number
// counts as 0, a non-finite one refuses the file.
bool readTriple(const char* p, const char* end, Vector3d* out)
{
    double v[3];
    int parts = 0;
    const char* start = p;
    for (;; ++p) {
        if (p == end || *p == ' ') {
            if (parts == 3)
                return false;
            if (MeshNumber::parse(start, p, &v[parts]) == MeshNumber::NonFinite)
                return false;
            ++parts;
            if (p == end)
                break;
            start = p + 1;
        }
    }
    if (parts != 3)
        return false;
    *out = Vector3d(v[0], v[1], v[2]);
    return true;
}

float littleEndianFloat(const uchar* p)
{
    const quint32 bits = qFromLittleEndian<quint32>(p);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

} // namespace

StlFileReader::StlFileReader(QDataStream* stream)
    : stream(stream)
{
    stream->setByteOrder(QDataStream::LittleEndian);
    stream->setFloatingPointPrecision(QDataStream::SinglePrecision);
}

bool StlFileReader::fillBuffer()
{
    // Straight from the device: a short read is no error here.
    buffer.resize(ReadAhead);
    const int n = int(stream->device()->read(buffer.data(), ReadAhead));
    buffer.resize(qMax(n, 0));
    bufferPos = 0;
    if (n > 0)
        return true;
    stream->setStatus(QDataStream::ReadPastEnd);
    return false;
}

qint8 StlFileReader::getChar()
{
    if (pushedBack) {
        const qint8 c = pushedBack;
        pushedBack = 0;
        return c;
    }
    if (bufferPos >= buffer.size() && !fillBuffer())
        return 0;
    return qint8(buffer[bufferPos++]);
}

int StlFileReader::readLineInto(int maxLength, char* out)
{
    int n = 0;
    if (pushedBack && n < maxLength) {
        const char c = char(getChar());
        if (c == '\n' || c == '\r') {
            const char next = char(getChar());
            if (next != (c == '\n' ? '\r' : '\n'))
                pushedBack = qint8(next);
            return simplify(out, n);
        }
        out[n++] = c;
    }
    while (n < maxLength) {
        if (bufferPos >= buffer.size() && !fillBuffer()) {
            // The end of the data reads as zero bytes up to the limit.
            std::memset(out + n, 0, size_t(maxLength - n));
            n = maxLength;
            break;
        }
        const char* p = buffer.constData() + bufferPos;
        const int available = qMin(buffer.size() - bufferPos, maxLength - n);
        int i = 0;
        while (i < available && p[i] != '\n' && p[i] != '\r')
            ++i;
        std::memcpy(out + n, p, size_t(i));
        n += i;
        bufferPos += i;
        if (i < available) {
            const char c = char(getChar());
            const char next = char(getChar());
            if (next != (c == '\n' ? '\r' : '\n'))
                pushedBack = qint8(next);
            break;
        }
    }
    return simplify(out, n);
}

QString StlFileReader::readLine(int maxLength)
{
    QByteArray line(qMax(maxLength, 0), '\0');
    line.resize(readLineInto(maxLength, line.data()));
    return QString::fromLatin1(line);
}

void StlFileReader::seek(qint64 pos)
{
    buffer.clear();
    bufferPos = 0;
    pushedBack = 0;
    stream->device()->seek(pos);
}

bool StlFileReader::atEnd() const
{
    return bufferPos >= buffer.size() && stream->atEnd();
}

FacetShape* StlFileReader::readAscii()
{
    std::unique_ptr<FacetShape> shape(new FacetShape);
    char line[LineLimit];
    int state = 0;
    Vector3d normal;
    Vector3d corners[3];
    while (ok && !atEnd()) {
        const int n = readLineInto(LineLimit, line);
        if (n == 0)
            continue;
        const char* end = line + n;
        switch (state) {
        case 0:
            if (startsWith(line, n, "endsolid")) {
                state = 1;
            } else if (startsWith(line, n, "facet normal ")) {
                ok = readTriple(line + 13, end, &normal);
                state = 1;
            } else {
                ok = false;
            }
            break;
        case 1:
            ok = startsWith(line, n, "outer loop");
            state = 2;
            break;
        case 2:
        case 3:
        case 4:
            ok = startsWith(line, n, "vertex ") && readTriple(line + 7, end, &corners[state - 2]);
            ++state;
            break;
        case 5:
            ok = startsWith(line, n, "endloop");
            state = 6;
            break;
        case 6:
            ok = startsWith(line, n, "endfacet")
                 && shape->addFacet(Facet(corners[0], corners[1], corners[2], normal));
            state = 0;
            break;
        }
    }
    if (!ok)
        return nullptr;
    return shape.release();
}

FacetShape* StlFileReader::readBinary()
{
    QIODevice* device = stream->device();
    seek(80);
    qint32 count = 0;
    *stream >> count;
    // The size is checked in 64 bits so that no count wraps around.
    if (stream->status() != QDataStream::Ok || count < 0 || count > FacetShape::MaxFacets
        || device->size() != 84 + 50 * qint64(count))
        return nullptr;
    seek(84);

    std::unique_ptr<FacetShape> shape(new FacetShape);
    if (!shape->reserve(count))
        return nullptr;
    const int chunkFacets = 4096;
    QByteArray chunk;
    int left = count;
    while (left > 0) {
        const int facets = qMin(left, chunkFacets);
        chunk.resize(facets * 50);
        if (stream->readRawData(chunk.data(), chunk.size()) != chunk.size()) {
            stream->setStatus(QDataStream::ReadPastEnd);
            return nullptr;
        }
        const uchar* p = reinterpret_cast<const uchar*>(chunk.constData());
        for (int i = 0; i < facets; ++i, p += 50) {
            double v[12];
            for (int k = 0; k < 12; ++k) {
                v[k] = littleEndianFloat(p + 4 * k);
                if (!std::isfinite(v[k]))
                    return nullptr;
            }
            shape->addFacet(Facet(Vector3d(v[3], v[4], v[5]), Vector3d(v[6], v[7], v[8]),
                                  Vector3d(v[9], v[10], v[11]), Vector3d(v[0], v[1], v[2])));
        }
        left -= facets;
    }
    return shape.release();
}

FacetShape* readStl(StlFileReader& reader)
{
    QIODevice* device = reader.stream->device();
    // Detection rereads the data from the start, so it needs a device that
    // can seek.
    if (!device || device->isSequential())
        return nullptr;
    reader.seek(0);
    char line1[LineLimit];
    char line2[LineLimit];
    const int n1 = reader.readLineInto(LineLimit, line1);
    const int n2 = reader.readLineInto(LineLimit, line2);
    const bool ascii = startsWith(line1, n1, "solid ") && startsWith(line2, n2, "facet normal ");

    // Detection may have run past the end of a short file; that says
    // nothing about the file's validity.
    reader.stream->resetStatus();

    if (!ascii)
        return reader.readBinary();

    reader.seek(0);
    char solid[LineLimit];
    reader.readLineInto(LineLimit, solid);
    if (reader.stream->status() != QDataStream::Ok || !reader.ok)
        return nullptr;
    return reader.readAscii();
}
