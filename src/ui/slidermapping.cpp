#include "ui/slidermapping.h"

#include <cmath>

int SliderMapping::gridSize(int position)
{
    return (position >= 1 && position <= 5) ? 1 << position : 4;
}

int SliderMapping::contrastFactor(int position)
{
    return 1 << position;
}

int SliderMapping::smoothness(int position)
{
    static const int values[9] = {20000,   50000,   100000,  200000,  500000,
                                  1000000, 2000000, 5000000, 10000000};
    return (position >= 1 && position <= 9) ? values[position - 1] : 100000;
}

double SliderMapping::fraction(int position, int maximum)
{
    return double(position) / maximum;
}

int SliderMapping::fromFraction(double value, int maximum)
{
    return int(std::lround(value * maximum));
}

double SliderMapping::squaredFraction(int position, int maximum)
{
    const double f = fraction(position, maximum);
    return f * f;
}

int SliderMapping::fromSquaredFraction(double value, int maximum)
{
    return int(std::lround(std::sqrt(value < 0.0 ? 0.0 : value) * maximum));
}
