#pragma once

#include <QImage>
#include <QLabel>

class Tool;

// The square beside the brush controls showing the current tool's footprint
// in its form, aspect ratio and angle (never its size), red on white.
class BrushPreview : public QLabel
{
public:
    static constexpr int side = 100;
    static constexpr quint32 rimPixel = 0xc0ff0000;
    static constexpr quint32 insidePixel = 0x64ff0000;

    explicit BrushPreview(QWidget* parent = nullptr);

    // Shows the footprint of tool, or a white square for null.
    void showTool(const Tool* tool);
    // An n x n picture of the footprint, scaled so that it fits at any angle.
    static QImage render(const Tool* tool, int n);
};
