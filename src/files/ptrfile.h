#pragma once

#include "files/fileresult.h"

#include <QString>
#include <QtGlobal>

#include <memory>
#include <vector>

class QIODevice;
class Relief;
class ReliefSource;

// The height-field file (".ptr") exchanged with the sibling design program:
// a big-endian header of version, width, height and range, then the samples.
// Version 2 samples are little-endian floats spanning 0..1048576 over the
// relief's height range; version 1 samples (read only) are big-endian 16-bit
// integers. With a key, every sample byte is XORed with a keyed Scrambler.
class PtrFile
{
public:
    static constexpr qint32 kVersion = 2;
    // Sample value of the relief's highest cell.
    static constexpr double kSampleSpan = 1048576.0;

    struct Header
    {
        qint32 version = 0;
        qint32 width = 0;
        qint32 height = 0;
        qint32 range = 0;
    };

    // Reads the header and the samples, row by row as in the file. An empty
    // key reads the samples as they are; a key that is not a decimal number
    // reads every sample as 0.
    static FileResult read(QIODevice& device, const QString& key, Header& header, std::vector<float>& samples);
    // Reads the file into a new source for an import: the padded grid of its
    // samples, heightScale = range, dirty and tiltDirty set. The import
    // controls' settings are the caller's to copy in.
    static FileResult load(const QString& path, const QString& key, std::unique_ptr<ReliefSource>& source);

    // Range written by the export: the depth times the Z scale.
    static qint32 exportRange(const Relief& relief);
    // Range written for the hand-over: the depth, 1 for a flat relief.
    static qint32 handOverRange(const Relief& relief);

    // Writes version 2, the relief's size, range and its samples, scrambled
    // when key is not empty.
    static FileResult write(QIODevice& device, const Relief& relief, qint32 range, const QString& key);
    // The same into a file; a file that cannot be opened, or a target that
    // is not a regular file, gives OpenFailed,
    // a failed write SaveFailed and leaves an existing file as it was.
    static FileResult save(const QString& path, const Relief& relief, qint32 range, const QString& key);
};
