#include "relief/tool.h"

#include <QDebug>
#include <QElapsedTimer>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <vector>

namespace {

const double kPi = 3.14159265358979323846;
const double kSqrt2 = 1.4142135623730951;

// A neighbour that is not outside offers its distance plus the step.
inline bool offer(double& v, double neighbour, double step)
{
    if (neighbour != 0) {
        const double o = neighbour + step;
        if (o < v) {
            v = o;
            return true;
        }
    }
    return false;
}

// One sweep over the rows in direction dir (+1 top to bottom, -1 bottom to
// top): each cell takes offers from the row already swept and from the cell
// before it, then a pass back along the row carries offers the other way.
bool sweep(double* dist, int n, int dir)
{
    bool changed = false;
    const int first = dir > 0 ? 0 : n - 1;
    for (int k = 0; k < n; ++k) {
        double* row = dist + static_cast<size_t>(first + dir * k) * n;
        const double* done = k > 0 ? row - dir * n : nullptr;
        for (int j = 0; j < n; ++j) {
            const int x = first + dir * j;
            double v = row[x];
            if (v == 0)
                continue;
            bool c = false;
            if (j > 0)
                c |= offer(v, row[x - dir], 1.0);
            if (done) {
                c |= offer(v, done[x], 1.0);
                if (x > 0)
                    c |= offer(v, done[x - 1], kSqrt2);
                if (x < n - 1)
                    c |= offer(v, done[x + 1], kSqrt2);
            }
            if (c) {
                row[x] = v;
                changed = true;
            }
        }
        for (int j = n - 2; j >= 0; --j) {
            const int x = first + dir * j;
            if (row[x] != 0 && offer(row[x], row[x + dir], 1.0))
                changed = true;
        }
    }
    return changed;
}

} // namespace

Tool::Tool(Type type)
    : type(type)
{
}

void Tool::takeBrushFrom(const Tool& from)
{
    mode = from.mode;
    form = from.form;
    size = from.size;
    strength = from.strength;
    hardness = from.hardness;
    aspectRatio = from.aspectRatio;
    axisAngle = from.axisAngle;
    keepTransparency = from.keepTransparency;
    useSmoothing = from.useSmoothing;
    decayLength = from.decayLength;
    clip = from.clip;
}

void Tool::genMask(unsigned char* mask, int n, double radius) const
{
    if (n <= 0)
        return;
    const size_t cells = static_cast<size_t>(n) * n;
    std::fill(mask, mask + cells, static_cast<unsigned char>(1));

    const double c = n / 2;
    const double theta = axisAngle * kPi / 180.0;
    const double ct = std::cos(theta);
    const double st = std::sin(theta);
    const double r = radius;
    const double w = radius / aspectRatio;
    // Outline points that fall off the square are dropped rather than
    // written past the mask.
    auto mark = [&](double px, double py) {
        const double fx = c + px;
        const double fy = c + py;
        if (!(fx > -1.0 && fx < n && fy > -1.0 && fy < n))
            return;
        mask[static_cast<size_t>(static_cast<int>(fy)) * n + static_cast<int>(fx)] = 2;
    };
    auto markSV = [&](double s, double v) { mark(s * ct - v * st, s * st + v * ct); };

    const bool sane = std::isfinite(r) && std::isfinite(w) && r > 0 && w > 0;
    if (sane && form == Round) {
        const int m = static_cast<int>(4.0 * kPi * r);
        const double step = 2.0 * kPi / (m + 1);
        for (int k = 0; k < m; ++k) {
            const double t = k * step;
            const double cs = std::cos(t);
            const double sn = std::sin(t);
            mark(r * cs * ct - w * sn * st, r * cs * st + w * sn * ct);
        }
    } else if (sane && form == Square) {
        const int alongR = static_cast<int>(4.0 * r);
        const int alongW = static_cast<int>(4.0 * w);
        for (int k = 0; k < alongR; ++k)
            markSV(r - 0.5 * k, w);
        for (int k = 0; k < alongW; ++k)
            markSV(-r, w - 0.5 * k);
        for (int k = 0; k < alongR; ++k)
            markSV(-r + 0.5 * k, -w);
        for (int k = 0; k < alongW; ++k)
            markSV(r, -w + 0.5 * k);
        markSV(r, w);
    }

    // The outside is whatever the corner cell reaches 4-connected; the
    // outline stops it.
    std::vector<int> stack;
    stack.reserve(static_cast<size_t>(4) * n);
    mask[0] = 0;
    stack.push_back(0);
    while (!stack.empty()) {
        const int i = stack.back();
        stack.pop_back();
        const int x = i % n;
        const int y = i / n;
        auto visit = [&](int j) {
            if (mask[j] == 1) {
                mask[j] = 0;
                stack.push_back(j);
            }
        };
        if (x > 0)
            visit(i - 1);
        if (x < n - 1)
            visit(i + 1);
        if (y > 0)
            visit(i - n);
        if (y < n - 1)
            visit(i + n);
    }
}

void Tool::genDistMap(double* dist, const unsigned char* mask, int n)
{
    if (n <= 0)
        return;
    QElapsedTimer timer;
    timer.start();
    const size_t cells = static_cast<size_t>(n) * n;
    for (size_t i = 0; i < cells; ++i)
        dist[i] = mask[i] == 0 ? 0.0 : (mask[i] == 2 ? 1.0 : DBL_MAX);

    // Every cell ends at the smallest path sum from the outline, whatever
    // the visiting order, so alternating sweeps until nothing changes give
    // the relaxation's map in a handful of passes instead of about n / 2.
    int loops = 0;
    for (;;) {
        const bool down = sweep(dist, n, 1);
        const bool up = sweep(dist, n, -1);
        if (!down && !up)
            break;
        ++loops;
    }
    qDebug("genDistMap: %d loops, %f msec.", loops, timer.nsecsElapsed() / 1.0e6);
}

double Tool::falloff(const double* dist, int x, int y, int n) const
{
    double d = 0;
    if (x >= 0 && x < n && y >= 0 && y < n) {
        const double half = n / 2.0;
        // A cell the distance map never reached holds the largest double;
        // clamping keeps its weight finite.
        d = std::clamp((half - dist[static_cast<size_t>(y) * n + x]) / half, 0.0, 1.0);
    }
    const double h = hardness;
    const double d2 = d * d;
    const double d3 = d2 * d;
    const double d4 = d2 * d2;
    double weight;
    if (h < 0.25) {
        const double t = 4.0 * h;
        weight = (1 - t) * (1 - d4) + t * (1 - d3);
    } else if (h < 0.5) {
        const double t = 4.0 * (h - 0.25);
        weight = (1 - t) * (1 - d3) + t * (1 - d2);
    } else if (h < 0.75) {
        const double t = 4.0 * (h - 0.5);
        weight = (1 - t) * (1 - d2) + t * (1 - d);
    } else {
        const double t = 4.0 * (h - 0.75);
        weight = (1 - t) * (1 - d) + t;
    }
    return std::max(0.0, weight);
}
