#pragma once

#include "files/fileresult.h"

#include <QRgb>
#include <QSize>
#include <QString>

#include <memory>
#include <vector>

class QImage;
class ReliefSource;

// A picture read as a height image: each pixel's weighted brightness is a
// height of 0..255 cells.
class ImageImport
{
public:
    // (R * 11 + G * 16 + B * 5) >> 5 on the 8-bit channels; alpha ignored.
    static int pixelHeight(QRgb pixel)
    {
        return (qRed(pixel) * 11 + qGreen(pixel) * 16 + qBlue(pixel) * 5) >> 5;
    }

    // Row by row, bottom row first, so that the picture stands upright in a
    // relief whose y points up.
    static std::vector<float> heights(const QImage& image);

    // Whether a picture of this size still makes a relief once its margins
    // are added: the grids of a larger one could not be held.
    static bool fits(const QSize& size);

    // Reads the picture into a new padded source with its dirty flags set; the
    // import controls' settings are the caller's to copy in. A picture that
    // cannot be read, or whose size does not fit, gives OpenFailed and is
    // refused before its pixels are allocated when its header tells the size.
    static FileResult load(const QString& path, std::unique_ptr<ReliefSource>& source);
};
