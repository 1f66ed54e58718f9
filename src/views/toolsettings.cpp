#include "views/toolsettings.h"

#include "relief/tool.h"

#include <algorithm>

namespace {

const double keySteps[4] = {-0.01, 0.01, -0.1, 0.1};

} // namespace

double ToolSettings::clampSize(double size)
{
    return std::min(1.0, std::max(0.01, size));
}

double ToolSettings::clampStrength(double strength)
{
    return std::min(1.0, std::max(0.0001, strength));
}

double ToolSettings::keyStep(int i)
{
    return (i >= 0 && i < 4) ? keySteps[i] : 0.0;
}

double ToolSettings::wheelStep(int delta, bool coarse)
{
    const double step = coarse ? 0.1 : 0.01;
    return delta <= 0 ? -step : step;
}

void ToolSettings::stepSize(Tool& tool, double step)
{
    tool.size = clampSize(tool.size + step);
}

void ToolSettings::stepStrength(Tool& tool, double step)
{
    tool.strength = clampStrength(tool.strength + step);
}
