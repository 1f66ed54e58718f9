#pragma once

#include <cstdint>
#include <vector>

// The height image a relief is generated from while an import is open, with
// the generation settings the import controls write.
class ReliefSource
{
public:
    ReliefSource();
    ReliefSource(uint32_t width, uint32_t height);
    // Pads the image with empty margins of 5 % of its content on every side.
    ReliefSource(uint32_t width, uint32_t height, const float* image);
    ReliefSource(const ReliefSource& other) = default;
    ReliefSource& operator=(const ReliefSource& other) = default;
    ~ReliefSource() = default;

    // Whether an image of this size still fits a relief once the padded
    // constructor has added its margins.
    static bool fits(long long width, long long height);

    void append(double v);
    double rawSample(uint32_t x, uint32_t y) const;
    void normalise();
    double sample(uint32_t x, uint32_t y, bool preview) const;

    bool hasTilted() const { return !tilted.empty(); }
    uint64_t cellCount() const { return uint64_t(width) * height; }

    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<float> raw;
    std::vector<float> tilted;   // empty while both tilts are 0
    uint32_t count = 0;
    double min = 0.0;
    double max = 0.0;
    double tiltedMin = 0.0;
    double tiltedMax = 0.0;
    double heightScale = 0.0;
    bool flipY = false;
    bool invertZ = false;
    bool importKeepTransparency = false;
    bool preview = false;
    double smoothSteps = 0.0;
    int32_t raiseLowerSteps = 0;
    int32_t trimSteps = 0;
    int32_t tiltHorizontal = 0;
    int32_t tiltVertical = 0;
    int32_t gridSize = 2;
    int32_t contrastFactor = 8;
    int32_t smoothness = 20000;
    bool basRelief = false;
    bool dirty = false;
    bool tiltDirty = false;

private:
    uint32_t row(uint32_t y) const { return flipY ? height - 1 - y : y; }
};
