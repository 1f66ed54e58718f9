#include "files/imageimport.h"

#include "relief/reliefsource.h"

#include <QImage>
#include <QImageReader>

namespace {

// The padded grid must keep int sizes.
constexpr qint64 kMaxSide = qint64(1) << 16;

} // namespace

std::vector<float> ImageImport::heights(const QImage& image)
{
    const QImage rgb = image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
                           ? image
                           : image.convertToFormat(QImage::Format_RGB32);
    const int w = rgb.width();
    const int h = rgb.height();
    std::vector<float> out(size_t(w) * size_t(h));
    // A picture's rows run top down, a relief's y up: its top row is the last.
    for (int y = 0; y < h; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(h - 1 - y));
        float* dst = out.data() + size_t(y) * size_t(w);
        for (int x = 0; x < w; ++x)
            dst[x] = float(pixelHeight(line[x]));
    }
    return out;
}

bool ImageImport::fits(const QSize& size)
{
    if (size.width() <= 0 || size.height() <= 0)
        return false;
    // Margins add at most a tenth of each side, plus rounding.
    const qint64 w = qint64(size.width()) + qint64(size.width()) / 10 + 2;
    const qint64 h = qint64(size.height()) + qint64(size.height()) / 10 + 2;
    return w <= kMaxSide && h <= kMaxSide && ReliefSource::fits(size.width(), size.height());
}

FileResult ImageImport::load(const QString& path, std::unique_ptr<ReliefSource>& source)
{
    QImageReader reader(path);
    const QSize announced = reader.size();
    if (announced.isValid() && !fits(announced))
        return FileResult::OpenFailed;
    const QImage image = reader.read();
    if (image.isNull() || !fits(image.size()))
        return FileResult::OpenFailed;

    const std::vector<float> grid = heights(image);
    auto made = std::make_unique<ReliefSource>(uint32_t(image.width()), uint32_t(image.height()), grid.data());
    made->dirty = true;
    made->tiltDirty = true;
    source = std::move(made);
    return FileResult::Ok;
}
