#pragma once

#include <atomic>

class ProgressMonitor;

// Progress of a facet reduction: which phase of which strip, and how far
// through the phase's counter range. Without a dialog only the counters and
// the cancel flag are kept.
struct ReductionProgress
{
    // Finishing: a stage after the strips, shown from `from` to `to`.
    enum Phase { Triangulating = 0, Building = 1, Reducing = 2, Finishing = 3 };

    ProgressMonitor* dialog = nullptr;
    int phase = Triangulating;
    int strip = 0;
    int start = 0;
    int end = 0;
    int current = 0;
    int from = 0;
    int to = 0;
    bool cancelled = false;  // set once the dialog reports a cancel; never cleared

    // For work on another thread, which has no dialog: update() takes a
    // cancel from stop and leaves the value it would show in shownValue,
    // for the dialog's own thread to show.
    const std::atomic<bool>* stop = nullptr;
    std::atomic<int>* shownValue = nullptr;
    // While set, update() keeps showing the value shown last: for work done
    // over again, so that the bar never goes back.
    bool hold = false;

    // Lets pending events through, takes in a cancel and shows
    // strip * 100 + the phase's share of the counter range. Calls that would
    // not show a higher value pass events only now and then, so that
    // per-facet calls stay cheap.
    void update();
    // Lets events through and takes in a cancel every time; shows value
    // when it is higher than the value shown, so the bar never goes back.
    void show(int value);

    // The value update() shows for the present counters.
    int value() const;

private:
    int shown = -1;
    int skipped = 0;
};
