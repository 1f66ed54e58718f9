#pragma once

#include <cstddef>
#include <vector>

// Which reduction of a relief export's strips a free worker takes next, and
// what a finished one means for its strip. Every strip is reduced plainly,
// those with the most grid points above zero first, so that no worker is
// left with a long strip at the end while the others wait. One whose plain
// reduction ends with a face turned over is reduced once more refusing
// every collapse that would ("upright"), which then comes before anything
// else. A worker with nothing else left to take starts the upright
// reduction of the strip still being reduced plainly that will likely end
// last: should that end folded, the pair in a row would be the longest wait
// of the export, and a worker left idle costs nothing. An upright reduction
// whose plain one ends without a fold is dropped.
// Not locked: its caller holds one lock around every call.
class StripSchedule
{
public:
    enum Kind { Plain, Upright, Wait, None };
    struct Task
    {
        Kind kind;
        unsigned int strip;
    };
    struct Outcome
    {
        bool done = false;            // the strip has just come to need no more work
        bool failed = false;          // a file it needs could not be written
        bool dropUpright = false;     // its upright reduction is not wanted
    };

    // weights: each strip's grid points above zero.
    explicit StripSchedule(const std::vector<long long>& weights);

    // A strip reduced before the workers started, plainly and, where it
    // folded, upright: never taken. Before the first take only.
    void doneElsewhere(unsigned int strip);

    // now: seconds on any steady clock. Wait: nothing to take now, but a
    // plain reduction still running may yet ask for an upright one.
    Task take(bool stopped, double now);
    // parked: the facets written, -1 when the file could not be.
    Outcome plainDone(unsigned int strip, int parked, bool folded, double now);
    // stopped: it was dropped or the export stopped before it ended.
    Outcome uprightDone(unsigned int strip, int parked, bool stopped);

    int parked(unsigned int strip) const { return states[strip].parked; }
    // The upright reduction's facets when the strip needs it, else -2.
    int parkedUp(unsigned int strip) const { return states[strip].folded ? states[strip].parkedUp : -2; }

private:
    struct Strip
    {
        bool plainStarted = false;
        bool plainDone = false;
        bool folded = false;
        bool uprightStarted = false;
        bool uprightDone = false;
        bool reported = false;
        int parked = -1;
        int parkedUp = -1;
        long long weight = 0;
        double started = 0;
    };
    // When the plain reduction of a strip started at so many seconds will
    // likely end, by the seconds per weight of those ended so far.
    double likelyEnd(const Strip& strip) const;
    Outcome outcome(Strip& strip);

    std::vector<Strip> states;
    std::vector<unsigned int> order;  // of the plain reductions
    size_t nextPlain = 0;
    double secondsEnded = 0;
    long long weightEnded = 0;
    unsigned int plainRunning = 0;
};
