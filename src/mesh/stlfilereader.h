#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

class FacetShape;
class QDataStream;

// Input state of the STL reader. The stream is not owned; it is set to
// little-endian byte order and single floating-point precision.
class StlFileReader
{
public:
    explicit StlFileReader(QDataStream* stream);

    // The next byte; 0 at the end of the data, which leaves the stream in
    // its read-past-end state.
    qint8 getChar();
    // Bytes as Latin-1 characters up to a line end (consumed with its
    // partner '\r' or '\n') or maxLength characters, simplified. A byte
    // after the line end that is not its partner stays for the next line.
    QString readLine(int maxLength);

private:
    friend FacetShape* readStl(StlFileReader& reader);

    // readLine into out (room for maxLength + 16 bytes); returns the length.
    int readLineInto(int maxLength, char* out);
    int readBufferedLine(int maxLength, char* out);
    bool fillBuffer();
    void seek(qint64 pos);
    bool atEnd() const;
    FacetShape* readAscii();
    FacetShape* readBinary();

    QDataStream* stream;
    bool ok = true;
    // Bytes read ahead of the line reader; dropped on every seek.
    QByteArray buffer;
    int bufferPos = 0;
    // The byte at bufferPos was read after a line end and put back; the
    // data counts as ended when nothing follows it.
    bool pushedBack = false;
};

// A new shape owned by the caller, or null when the data is not a valid
// ASCII or binary STL file (or holds more facets than a shape can).
FacetShape* readStl(StlFileReader& reader);
