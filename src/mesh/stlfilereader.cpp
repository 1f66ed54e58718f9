#include "mesh/stlfilereader.h"

#include "mesh/facetshape.h"
#include "mesh/meshnumber.h"

#include <QDataStream>
#include <QIODevice>
#include <QtEndian>

#include <cmath>
#include <cstring>
#include <memory>
#include <new>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

using VekMath::Vector3d;

namespace {

const int ReadAhead = 1 << 16;
const int LineLimit = 80;

// Byte classes of the line reader: 0 text, 1 white space, 2 line end.
struct ByteClasses
{
    unsigned char of[256];
    ByteClasses()
    {
        for (int c = 0; c < 256; ++c)
            of[c] = (c == '\n' || c == '\r') ? 2 : MeshNumber::isSpace((unsigned char)c) ? 1 : 0;
    }
};
const ByteClasses classes;

// Appends n bytes to out[length] with white space runs turned into single
// spaces and none at the start; pendingSpace carries a run across calls.
int simplifyInto(const char* in, int n, char* out, int length, bool& pendingSpace)
{
    for (int i = 0; i < n; ++i) {
        const unsigned char c = (unsigned char)in[i];
        if (classes.of[c]) {
            pendingSpace = length > 0;
            continue;
        }
        if (pendingSpace) {
            out[length++] = ' ';
            pendingSpace = false;
        }
        out[length++] = char(c);
    }
    return length;
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
    for (int part = 0; part < 3; ++part) {
        const char* space = static_cast<const char*>(std::memchr(p, ' ', size_t(end - p)));
        const char* stop = space ? space : end;
        if ((part < 2) != (space != nullptr))
            return false;
        if (MeshNumber::parse(p, stop, &v[part]) == MeshNumber::NonFinite)
            return false;
        p = stop + 1;
    }
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
    pushedBack = false;
    if (bufferPos >= buffer.size() && !fillBuffer())
        return 0;
    return qint8(buffer[bufferPos++]);
}

int StlFileReader::readLineInto(int maxLength, char* out)
{
    pushedBack = false;
    // Most lines lie wholly in the read-ahead bytes, partner byte included.
    if (buffer.size() - bufferPos >= maxLength + 32)
        return readBufferedLine(maxLength, out);

    int taken = 0;   // bytes of the line so far, before simplifying
    int length = 0;  // simplified length
    bool pendingSpace = false;
    while (taken < maxLength) {
        if (bufferPos >= buffer.size() && !fillBuffer()) {
            // The end of the data reads as zero bytes up to the limit.
            if (pendingSpace)
                out[length++] = ' ';
            std::memset(out + length, 0, size_t(maxLength - taken));
            return length + maxLength - taken;
        }
        const char* p = buffer.constData() + bufferPos;
        const int available = qMin(buffer.size() - bufferPos, maxLength - taken);
        int i = 0;
        while (i < available && p[i] != '\n' && p[i] != '\r')
            ++i;
        length = simplifyInto(p, i, out, length, pendingSpace);
        taken += i;
        bufferPos += i;
        if (i < available) {
            const char c = char(getChar());
            // A byte after the line end that is not its partner is left for
            // the next line; a zero byte is lost, as at the end of the data.
            const char next = char(getChar());
            if (next != (c == '\n' ? '\r' : '\n') && next != 0) {
                --bufferPos;
                pushedBack = true;
            }
            break;
        }
    }
    return length;
}

int StlFileReader::readBufferedLine(int maxLength, char* out)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(buffer.constData()) + bufferPos;
    int length = 0;
    bool pendingSpace = false;
    int i = 0;        // bytes of the line taken
    bool end = false;  // a line end was met at i
#ifdef __SSE2__
    // Sixteen bytes at a time: masks of white space and line ends, then the
    // runs of text between them copied whole (out has room for the excess).
    const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
    const __m128i tab = _mm_set1_epi8(9), blank = _mm_set1_epi8(' ');
    const __m128i nel = _mm_set1_epi8(char(0x85)), nbsp = _mm_set1_epi8(char(0xA0));
    while (i < maxLength && !end) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const unsigned lineEnds = unsigned(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf))));
        // 9 to 13: v - 9 is at most 4 (unsigned).
        const __m128i controls = _mm_cmpeq_epi8(_mm_min_epu8(_mm_sub_epi8(v, tab), _mm_set1_epi8(4)), _mm_sub_epi8(v, tab));
        const __m128i white = _mm_or_si128(_mm_or_si128(controls, _mm_cmpeq_epi8(v, blank)),
                                           _mm_or_si128(_mm_cmpeq_epi8(v, nel), _mm_cmpeq_epi8(v, nbsp)));
        int limit = qMin(16, maxLength - i);
        if (lineEnds && int(__builtin_ctz(lineEnds)) < limit) {
            limit = __builtin_ctz(lineEnds);
            end = true;
        }
        const unsigned inBlock = (1u << limit) - 1;
        unsigned text = ~unsigned(_mm_movemask_epi8(white)) & inBlock;
        unsigned blanks = ~text & inBlock;
        while (text) {
            const int start = __builtin_ctz(text);
            if (blanks & ((1u << start) - 1))
                pendingSpace = length > 0;
            const unsigned after = ~text & inBlock & ~((1u << start) - 1);
            const int stop = after ? __builtin_ctz(after) : limit;
            if (pendingSpace) {
                out[length++] = ' ';
                pendingSpace = false;
            }
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + length),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + start)));
            length += stop - start;
            const unsigned done = (1u << stop) - 1;
            text &= ~done;
            blanks &= ~done;
        }
        if (blanks)
            pendingSpace = length > 0;
        i += limit;
    }
#else
    for (; i < maxLength; ++i) {
        const unsigned char k = classes.of[p[i]];
        if (k == 2) {
            end = true;
            break;
        }
        if (k == 1) {
            pendingSpace = length > 0;
            continue;
        }
        if (pendingSpace) {
            out[length++] = ' ';
            pendingSpace = false;
        }
        out[length++] = char(p[i]);
    }
#endif
    bufferPos += i;
    if (end) {
        // A byte after the line end that is not its partner stays for the
        // next line (a zero byte is lost, as at the end of the data).
        const unsigned char next = p[i + 1];
        pushedBack = !(next == (p[i] == '\n' ? '\r' : '\n') || next == 0);
        bufferPos += pushedBack ? 1 : 2;
    }
    return length;
}

QString StlFileReader::readLine(int maxLength)
{
    QByteArray line(qMax(maxLength, 0) + 16, '\0');
    return QString::fromLatin1(line.constData(), readLineInto(maxLength, line.data()));
}

void StlFileReader::seek(qint64 pos)
{
    buffer.clear();
    bufferPos = 0;
    pushedBack = false;
    stream->device()->seek(pos);
}

bool StlFileReader::atEnd() const
{
    return bufferPos + int(pushedBack) >= buffer.size() && stream->atEnd();
}

FacetShape* StlFileReader::readAscii()
{
    std::unique_ptr<FacetShape> shape(new FacetShape);
    // Room for the facets a file of this size is likely to hold; a guess
    // too low only means the vector grows.
    shape->reserve(int(qMin(stream->device()->size() / 160, qint64(FacetShape::MaxFacets))));
    char line[LineLimit + 16];
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
    if (device->size() < 84)
        return nullptr;
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
    char line1[LineLimit + 16];
    char line2[LineLimit + 16];
    const int n1 = reader.readLineInto(LineLimit, line1);
    const int n2 = reader.readLineInto(LineLimit, line2);
    const bool ascii = startsWith(line1, n1, "solid ") && startsWith(line2, n2, "facet normal ");

    // Detection may have run past the end of a short file; that says
    // nothing about the file's validity.
    reader.stream->resetStatus();

    // A mesh that fits a shape may still not fit the memory left.
    try {
        if (!ascii)
            return reader.readBinary();

        reader.seek(0);
        char solid[LineLimit + 16];
        reader.readLineInto(LineLimit, solid);
        if (reader.stream->status() != QDataStream::Ok || !reader.ok)
            return nullptr;
        return reader.readAscii();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
