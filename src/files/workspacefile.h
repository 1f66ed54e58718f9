#pragma once

#include "files/fileresult.h"

#include <QString>
#include <QtGlobal>

#include <memory>

class QIODevice;
class Relief;

// The workspace file (".scp"): the magic "QlMv", version 1 and the relief's
// stream (its size, Z scale, height range, heights and reference heights) in
// a data stream with default settings.
class WorkspaceFile
{
public:
    // The four bytes "QlMv" read as a big-endian int32.
    static constexpr qint32 kMagic = 0x516C4D76;
    static constexpr qint32 kVersion = 1;

    static FileResult write(QIODevice& device, const Relief& relief);
    // Writes to a temporary file that replaces the old one only when all of
    // it was written, so a failed save keeps the previous workspace; a target
    // that is not a regular file is refused.
    static FileResult save(const QString& path, const Relief& relief);

    // On Ok, relief holds the new relief; otherwise it is left as it was.
    static FileResult read(QIODevice& device, std::unique_ptr<Relief>& relief);
    static FileResult load(const QString& path, std::unique_ptr<Relief>& relief);
};
