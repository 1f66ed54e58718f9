#pragma once

class Relief;
class ReliefSource;

// The import settings of a relief's source as the import panel changes
// them. A setting that alters what is imported marks the source dirty (the
// preview does not); one that shows at once regenerates the relief, while
// the grid size, contrast and smoothness wait for an explicit update. Each
// answers what it did; without a relief or its source nothing happens.
class ImportSettings
{
public:
    struct Outcome
    {
        // False when there was no relief or source to change.
        bool applied = false;
        // The relief was regenerated: the view must repaint.
        bool rebuilt = false;
        // The source's dirty flag afterwards.
        bool dirty = false;
    };

    explicit ImportSettings(Relief* relief) : relief(relief) {}

    Outcome setFlipY(bool on);
    Outcome setInvertZ(bool on);
    Outcome setKeepTransparency(bool on);
    Outcome setPreview(bool on);
    Outcome setSmoothSteps(double steps);
    Outcome setRaiseLowerSteps(int steps);
    Outcome setTrimSteps(int steps);
    Outcome setTilt(int horizontal, int vertical);
    Outcome setGridSize(int size);
    Outcome setContrastFactor(int factor);
    Outcome setSmoothness(int smoothness);
    // Regenerates the relief; apply runs the full generation under a
    // progress dialog.
    Outcome updateRelief(bool apply);
    Outcome setBasReliefEnabled(bool on);

private:
    template <class Change>
    Outcome change(bool markDirty, bool rebuild, Change change);

    Relief* relief;
};
