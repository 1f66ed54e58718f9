#pragma once

#include <QtGlobal>

// The brush record: what a stroke does and how each cell of its footprint is
// weighed. One exists per type, kept by the ToolRegistry.
class Tool
{
public:
    // The ribbon's tool buttons carry these values as their ids.
    enum Type : qint32 {
        Smooth = 0,
        Smudge = 1,
        Deposit = 2,
        Remove = 3,
        Undo = 4,
        Erase = 5,
        Magic = 6,
        Rectangle = 7,
        Elliptical = 8,
        Polygon = 9,
        Crop = 10,
        Brush = 11,
        Sample = 12,
        Fill = 13,
        NoTool = 14
    };
    enum Mode : qint32 { Normal = 0, Raise = 1, Lower = 2 };
    enum Form : qint32 { Round = 0, Square = 1 };

    explicit Tool(Type type);

    // Takes over another tool's brush settings; the type, the decay switch,
    // the smoothing length and the selection settings stay.
    void takeBrushFrom(const Tool& from);

    // Footprint mask of side n: 0 outside, 1 inside, 2 on the outline.
    void genMask(unsigned char* mask, int n, double radius) const;
    // Distance of every inside cell from the outline (1 on the outline,
    // 0 outside), as the exact fixed point of the neighbour relaxation.
    static void genDistMap(double* dist, const unsigned char* mask, int n);
    // Weight of footprint cell (x, y) by the hardness curve.
    double falloff(const double* dist, int x, int y, int n) const;

    Type type;
    Mode mode = Normal;
    Form form = Round;
    double size = 0;
    double strength = 0;
    double hardness = 0;
    double aspectRatio = 1.0;
    double axisAngle = 0;
    bool useDecayLength = false;
    double decayLength = 0;
    bool keepTransparency = true;
    bool useSmoothing = false;
    qint32 smoothLength = 0;
    bool clip = false;
    double tolerance = 0.001;
    bool continuous = false;
};
