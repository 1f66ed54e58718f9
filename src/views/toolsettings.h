#pragma once

class Tool;

// How the wheel and the step keys change the current tool: its size stays
// within [0.01, 1] and its strength within [0.0001, 1], in fine steps of
// 0.01 or coarse steps of 0.1.
class ToolSettings
{
public:
    static double clampSize(double size);
    static double clampStrength(double strength);
    // {-0.01, +0.01, -0.1, +0.1}[i]; 0 for any other i.
    static double keyStep(int i);
    // A wheel turn's step: coarse or fine, downwards unless delta is
    // positive.
    static double wheelStep(int delta, bool coarse);
    // Size or strength moved by step, clamped.
    static void stepSize(Tool& tool, double step);
    static void stepStrength(Tool& tool, double step);
};
