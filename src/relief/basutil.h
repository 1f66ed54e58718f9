#pragma once

#include <vector>

class ProgressMonitor;
class Relief;

// Compresses a deep height field into a shallow bas-relief: every
// neighbourhood's heights go through a contrast-limited cumulative histogram
// weighted by the local gradient, at several tile scales, blended bilinearly
// between tile centres and averaged over the scales.
// Impossible states are thrown as C strings.
class BasUtil
{
public:
    explicit BasUtil(const Relief& relief);
    BasUtil(int width, int height, const float* heights);
    BasUtil(const BasUtil&) = delete;
    BasUtil& operator=(const BasUtil&) = delete;

    int width() const { return m_width; }
    int height() const { return m_height; }
    double minZ() const { return m_minZ; }
    double base() const { return m_base; }
    double range() const { return m_range; }
    // False when a height is not finite or the range is 0: the heights then
    // have no bins to fall into and makeRelief gives all zeros.
    bool usable() const { return m_usable; }

    // Values with mirrored borders; an index still outside after mirroring
    // throws.
    double Z(int x, int y) const;
    double T(int x, int y) const;

    // Clipped cumulative histogram of the (2rx+1) x (2ry+1) window at (cx, cy).
    void histogram(int cx, int cy, int rx, int ry, int contrastFactor, float* hist, int bins);

    // The bas-relief heights, 0..range, owned by this object. progress may be
    // null; after a cancel the result is partial and meant to be discarded.
    const float* makeRelief(int gridSize, int contrastFactor, int bins, ProgressMonitor* progress);
    const float* out() const { return m_out.data(); }

    // Redistribution passes of the clipping at most: rounding can keep
    // pushing a bin just past the limit for ever.
    static constexpr int kMaxClipPasses = 256;

private:
    void prepareBins(int bins);
    int mirrored(int i, int n) const;
    void zeroResult(ProgressMonitor* progress);

    int m_width = 0;
    int m_height = 0;
    double m_minZ = 0.0;
    double m_range = 0.0;
    double m_base = 0.0;
    bool m_usable = false;
    std::vector<float> m_Z;
    std::vector<float> m_T;
    std::vector<float> m_out;
    // Histogram bin of every cell, for m_binsPrepared bins.
    std::vector<int> m_bin;
    int m_binsPrepared = 0;
    std::vector<int> m_mirrorX;
    std::vector<float> m_weightX;
    std::vector<float> m_rowWeight;
};
