#include "views/importsettings.h"

#include "relief/relief.h"
#include "relief/reliefsource.h"
#include "views/progressdialogmonitor.h"

template <class Change>
ImportSettings::Outcome ImportSettings::change(bool markDirty, bool rebuild, Change change)
{
    Outcome out;
    if (!relief || !relief->source())
        return out;
    ReliefSource& source = *relief->source();
    change(source);
    if (markDirty)
        source.dirty = true;
    if (rebuild)
        relief->rebuild(false);
    out.applied = true;
    out.rebuilt = rebuild;
    out.dirty = source.dirty;
    return out;
}

ImportSettings::Outcome ImportSettings::setFlipY(bool on)
{
    return change(true, true, [on](ReliefSource& s) { s.flipY = on; });
}

ImportSettings::Outcome ImportSettings::setInvertZ(bool on)
{
    return change(true, true, [on](ReliefSource& s) { s.invertZ = on; });
}

ImportSettings::Outcome ImportSettings::setKeepTransparency(bool on)
{
    return change(true, true, [on](ReliefSource& s) { s.importKeepTransparency = on; });
}

ImportSettings::Outcome ImportSettings::setPreview(bool on)
{
    return change(false, true, [on](ReliefSource& s) { s.preview = on; });
}

ImportSettings::Outcome ImportSettings::setSmoothSteps(double steps)
{
    return change(true, true, [steps](ReliefSource& s) { s.smoothSteps = steps; });
}

ImportSettings::Outcome ImportSettings::setRaiseLowerSteps(int steps)
{
    return change(true, true, [steps](ReliefSource& s) { s.raiseLowerSteps = steps; });
}

ImportSettings::Outcome ImportSettings::setTrimSteps(int steps)
{
    return change(true, true, [steps](ReliefSource& s) { s.trimSteps = steps; });
}

ImportSettings::Outcome ImportSettings::setTilt(int horizontal, int vertical)
{
    return change(true, true, [=](ReliefSource& s) {
        s.tiltHorizontal = horizontal;
        s.tiltVertical = vertical;
        s.tiltDirty = true;
    });
}

ImportSettings::Outcome ImportSettings::setGridSize(int size)
{
    return change(true, false, [size](ReliefSource& s) { s.gridSize = size; });
}

ImportSettings::Outcome ImportSettings::setContrastFactor(int factor)
{
    return change(true, false, [factor](ReliefSource& s) { s.contrastFactor = factor; });
}

ImportSettings::Outcome ImportSettings::setSmoothness(int smoothness)
{
    return change(true, false, [smoothness](ReliefSource& s) { s.smoothness = smoothness; });
}

ImportSettings::Outcome ImportSettings::updateRelief(bool apply)
{
    Outcome out;
    if (!relief || !relief->source())
        return out;
    if (apply) {
        ProgressDialogMonitor progress;
        relief->rebuild(true, &progress);
    } else {
        relief->rebuild(false);
    }
    out.applied = true;
    out.rebuilt = true;
    out.dirty = relief->source()->dirty;
    return out;
}

ImportSettings::Outcome ImportSettings::setBasReliefEnabled(bool on)
{
    if (!relief || !relief->source())
        return Outcome();
    relief->source()->basRelief = on;
    return updateRelief(false);
}
