#include "mesh/reductionprogress.h"

#include "relief/progressmonitor.h"

#include <algorithm>

namespace {

const int PhaseBase[3] = {0, 10, 30};
const int PhaseWeight[3] = {10, 20, 70};

// Calls that would not change the value let events through once in so many.
const int SkipCalls = 4096;

} // namespace

int ReductionProgress::value() const
{
    const double f = end == start ? 1.0 : double(current - start) / double(end - start);
    if (phase == Finishing)
        return from + int((to - from) * std::min(1.0, std::max(0.0, f)));
    const int p = phase >= 0 && phase <= 2 ? phase : 0;
    return strip * 100 + PhaseBase[p] + int(PhaseWeight[p] * f);
}

void ReductionProgress::update()
{
    if (!dialog) {
        if (stop && stop->load(std::memory_order_relaxed))
            cancelled = true;
        if (shownValue && !hold)
            shownValue->store(value(), std::memory_order_relaxed);
        return;
    }
    const int v = hold && shown >= 0 ? shown : value();
    if (v <= shown && ++skipped < SkipCalls)
        return;
    show(v);
}

void ReductionProgress::show(int v)
{
    if (!dialog)
        return;
    skipped = 0;
    dialog->processEvents();
    cancelled = cancelled || dialog->wasCanceled();
    if (v > shown) {
        dialog->setValue(v);
        shown = v;
    }
}
