#pragma once

#include "geometry/vector3d.h"

#include <QPoint>

#include <vector>

class QOpenGLFunctions_2_1;
class QOpenGLWidget;

// A copy of a view's depth buffer, read at chosen moments, through which
// the view finds the model point under the mouse without reading the frame
// buffer at every move. Widget pixels are logical; the copy has the frame
// buffer's device pixels.
class DepthPicker
{
public:
    // For a widget of width x height pixels shown at ratio device pixels
    // each; the copy starts at the far depth everywhere.
    void resize(int width, int height, double ratio);
    int deviceWidth() const { return devWidth; }
    int deviceHeight() const { return devHeight; }
    bool isEmpty() const { return depth.empty(); }

    // Reads the widget's frame buffer through gl, its functions, drawn with
    // the matrices given; a widget never shown has no context to read from
    // and leaves the copy as it is.
    void read(QOpenGLWidget* widget, QOpenGLFunctions_2_1* gl, const double modelview[16],
              const double projection[16]);
    // Whether the copy was read from a frame drawn with these matrices.
    bool readWith(const double modelview[16], const double projection[16]) const;

    // The model point under the widget pixel p at the copy's depth there
    // (the far depth outside the widget), unprojected with the matrices
    // given; *hit tells whether anything was drawn there.
    VekMath::Vector3d pick(const QPoint& p, const double modelview[16],
                           const double projection[16], bool* hit = nullptr) const;

private:
    std::vector<float> depth;
    int width = 0;
    int height = 0;
    int devWidth = 0;
    int devHeight = 0;
    double ratio = 1.0;
    bool taken = false;
    double takenModelview[16] = {};
    double takenProjection[16] = {};
};
