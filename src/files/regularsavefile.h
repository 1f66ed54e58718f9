#pragma once

#include <QSaveFile>

// A QSaveFile that refuses to open over a target that exists but is not a
// regular file: renaming the finished file over a device or pipe would
// replace the node itself, and writing into it would be no save at all.
class RegularSaveFile : public QSaveFile
{
public:
    explicit RegularSaveFile(const QString& path);

    bool open(OpenMode mode) override;
};
