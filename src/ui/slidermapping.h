#pragma once

// Conversions between the panel's integer slider positions and the settings
// they stand for. Read-back rounds to the nearest position, so a setting made
// from a slider comes back to the same slider position however often it
// goes round.
class SliderMapping
{
public:
    // 2, 4, 8, 16, 32 for positions 1 to 5; 4 for any other position.
    static int gridSize(int position);
    // 1 shifted left by the position (2 to 65536 over 1 to 16).
    static int contrastFactor(int position);
    // The bas-relief smoothness of positions 1 to 9; 100000 for any other.
    static int smoothness(int position);

    // position / maximum, and its inverse.
    static double fraction(int position, int maximum);
    static int fromFraction(double value, int maximum);
    // (position / maximum) squared, and its inverse.
    static double squaredFraction(int position, int maximum);
    static int fromSquaredFraction(double value, int maximum);
};
