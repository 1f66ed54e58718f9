#include "ui/brushpreview.h"

#include "relief/tool.h"

#include <QPixmap>

#include <cmath>
#include <vector>

BrushPreview::BrushPreview(QWidget* parent) : QLabel(parent)
{
    setFixedSize(side, side);
    setFrameShape(QFrame::Box);
    setAlignment(Qt::AlignCenter);
}

void BrushPreview::showTool(const Tool* tool)
{
    setPixmap(QPixmap::fromImage(render(tool, width())));
}

QImage BrushPreview::render(const Tool* tool, int n)
{
    QImage image(n, n, QImage::Format_ARGB32);
    image.fill(Qt::white);
    if (!tool || n <= 0)
        return image;
    std::vector<unsigned char> mask(size_t(n) * n, 0);
    // The diagonal of the footprint's box must fit the square.
    tool->genMask(mask.data(), n, n / (2.0 * std::sqrt(2.0)) - 2.0);
    for (int r = 0; r < n; ++r) {
        const unsigned char* cells = mask.data() + size_t(r) * n;
        auto* line = reinterpret_cast<quint32*>(image.scanLine(n - 1 - r));
        for (int c = 0; c < n; ++c) {
            if (cells[c] == 2)
                line[c] = rimPixel;
            else if (cells[c] == 1)
                line[c] = insidePixel;
        }
    }
    return image;
}
