#pragma once

#include "geometry/vector3d.h"
#include "mesh/facet.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <array>
#include <atomic>
#include <deque>

class FacetShape;
class QTextStream;
struct GLUtesselator;

// Reads the vertex and face records of a Wavefront OBJ text into a
// FacetShape; faces of more than three corners are split into triangles by
// the GLU polygon tessellator. Everything else in the file is skipped.
class ObjFileReader
{
public:
    // The stream is not owned. Once stop is set, from any thread, the read
    // ends soon after, between lines or faces, with no shape and no
    // warnings; set it before the stream's device fails, so that the reader
    // does not take the failure for the end of the file.
    explicit ObjFileReader(QTextStream* stream, const std::atomic<bool>* stop = nullptr);
    ~ObjFileReader();
    ObjFileReader(const ObjFileReader&) = delete;
    ObjFileReader& operator=(const ObjFileReader&) = delete;

    // A new shape owned by the caller, or null when the file is bad.
    FacetShape* read();

    // Warnings one read writes to the log; the rest are only counted, and
    // the count is logged at the end, so no file can fill the disk.
    static const int MaxWarnings = 100;
    // Corners a face may have, each crossing of its edges and each corner
    // lying on another edge counting as two more. Splitting a face costs up
    // to the square of its corners: the worst face of this many takes about
    // a second and a half.
    static const int MaxFaceCorners = 16384;
    // The squares of the corners of all faces of a file together may be no
    // more than that of the largest face, so that no file takes longer to
    // split than that one face. Faces of up to FreeCorners corners, whose
    // splitting grows only with the length of the file, are not counted.
    static constexpr qint64 MaxSplitWork = qint64(MaxFaceCorners) * MaxFaceCorners;
    static const int FreeCorners = 32;

private:
    enum LineState { Complete, DataEnd, TooLong };

    // Makes the read-ahead text hold the line that starts at textPos;
    // *end is where it ends (its line end, or the end of what was read).
    LineState takeLine(int* end);
    // Moves past the line that ends at end, a "\r\n" pair being one end.
    void finishLine(int end);
    // Drops a line too long to hold, up to its end.
    void skipLongLine();
    // Appends more of the stream to the unread text, moving that to the
    // start; *offset is kept pointing at the same character. False at the
    // end of the stream.
    bool fill(int* offset);
    FacetShape* readRecords();
    void warn(const QString& message);
    // A number; one that is bad or not finite logs a warning and marks the
    // input bad.
    double readDouble(const char* begin, const char* end);
    // Vertices are kept as x, y, z in a row; vectors of plain numbers grow
    // in place.
    bool readVertex(const char* p, const char* end, QVector<double>& coordinates);
    bool readFace(const char* p, const char* end, int vertexCount, QVector<int>& indices, qint64 line);
    FacetShape* resolve(const QVector<double>& coordinates, const QVector<int>& indices, const QVector<int>& faceEnds,
                        const QVector<qint64>& polygonLines);
    // Splits the polygon flattened along the axis (0 to 2 for x to z), its
    // facets running anticlockwise seen from the side towards (1 or -1). The
    // tessellator is handed it scaled, by 2 to the power scale.
    void tessellateFace(const QVector<VekMath::Vector3d>& polygon, const QVector<VekMath::Vector3d>& scaled,
                        int scale, int axis, double towards);

    static void tessVertex(void* vertexData, void* polygonData);
    static void tessCombine(double coords[3], void* vertexData[4], float weight[4], void** outData,
                            void* polygonData);
    static void tessError(unsigned int error, void* polygonData);
    static void tessEdgeFlag(unsigned char flag, void* polygonData);

    bool stopped() const { return stop && stop->load(); }

    QTextStream* stream;
    const std::atomic<bool>* stop;
    bool ok = true;
    qint64 warnings = 0;
    int cornerCount = 0;
    VekMath::Vector3d corners[3];
    QVector<Facet> tessFacets;
    // The corners of the current polygon as its facets take them, the file's
    // and those the tessellator makes; a deque so that their addresses stay
    // put while it runs.
    std::deque<std::array<double, 3>> combined;
    // The power of two the current polygon is scaled by for the tessellator.
    int tessScale = 0;
    GLUtesselator* tessellator = nullptr;

    QByteArray text;  // Latin-1 characters read ahead
    int textPos = 0;   // the first one not yet read
};
