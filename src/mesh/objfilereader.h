#ifndef OBJFILEREADER_H
#define OBJFILEREADER_H

#include "geometry/vector3d.h"
#include "mesh/facet.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <array>
#include <deque>
#include <string>
#include <vector>

class FacetShape;
class QTextStream;
struct GLUtesselator;

// Reads the vertex and face records of a Wavefront OBJ text into a
// FacetShape; faces of more than three corners are split into triangles by
// the GLU polygon tessellator. Everything else in the file is skipped.
class ObjFileReader
{
public:
    // The stream is not owned.
    explicit ObjFileReader(QTextStream* stream);
    ~ObjFileReader();
    ObjFileReader(const ObjFileReader&) = delete;
    ObjFileReader& operator=(const ObjFileReader&) = delete;

    // A new shape owned by the caller, or null when the file is bad.
    FacetShape* read();

private:
    // The next character as a Latin-1 byte, or -1 at the end of the data.
    int getChar();
    // The next token of the line, or an empty one at the end of a line
    // (a "\r\n" pair counts as one line end) or of the data.
    const std::string& nextToken();
    // Drops the rest of the line.
    void skipLine();
    // Reads the next token when the given one is empty; a bad or non-finite
    // number logs a warning and marks the input bad.
    double readDouble(const std::string& token);
    bool readVertex(std::vector<VekMath::Vector3d>& vertices);
    bool readFace(int vertexCount, std::vector<int>& indices);
    FacetShape* resolve(const std::vector<VekMath::Vector3d>& vertices, const std::vector<int>& indices,
                        const std::vector<int>& faceEnds);
    void tessellateFace(const QVector<VekMath::Vector3d>& polygon);
    bool atEnd();

    static void tessVertex(void* vertexData, void* polygonData);
    static void tessCombine(double coords[3], void* vertexData[4], float weight[4], void** outData,
                            void* polygonData);
    static void tessError(unsigned int error, void* polygonData);
    static void tessEdgeFlag(unsigned char flag, void* polygonData);

    QTextStream* stream;
    bool ok = true;
    int pushedBack = -1;
    int cornerCount = 0;
    VekMath::Vector3d corners[3];
    QVector<Facet> tessFacets;
    // Coordinates handed to the tessellator for the current polygon; a deque
    // so that their addresses stay put while it runs.
    std::deque<std::array<double, 3>> combined;
    GLUtesselator* tessellator = nullptr;

    QByteArray text;  // Latin-1 bytes read ahead of the tokenizer
    int textPos = 0;
    std::string token;
};

#endif
