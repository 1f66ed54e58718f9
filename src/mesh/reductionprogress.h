#pragma once

#include <atomic>

class ProgressMonitor;

// Progress of a facet reduction: which phase of which strip, and how far
// through the phase's counter range. Without a dialog only the counters and
// the cancel flag are kept.
struct ReductionProgress
{
    enum Phase { Triangulating = 0, Building = 1, Reducing = 2 };

    ProgressMonitor* dialog = nullptr;
    int phase = Triangulating;
    int strip = 0;
    int start = 0;
    int end = 0;
    int current = 0;
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
    // show the value already shown pass events only now and then, so that
    // per-facet calls stay cheap.
    void update();
    // Lets events through, takes in a cancel and shows value, every time.
    void show(int value);
    // The same, keeping the value shown last.
    void refresh() { show(shown >= 0 ? shown : value()); }

    // The value update() shows for the present counters.
    int value() const;

private:
    int shown = -1;
    int skipped = 0;
};
