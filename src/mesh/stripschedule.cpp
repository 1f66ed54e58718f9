#include "mesh/stripschedule.h"

StripSchedule::StripSchedule(unsigned int strips) : states(strips) {}

StripSchedule::Task StripSchedule::take(const std::vector<unsigned int>& order, bool stopped)
{
    if (stopped)
        return {None, 0};
    for (unsigned int s : order) {
        Strip& strip = states[s];
        if (strip.folded && !strip.uprightStarted) {
            strip.uprightStarted = true;
            return {Upright, s};
        }
    }
    if (nextPlain < order.size()) {
        const unsigned int s = order[nextPlain++];
        states[s].plainStarted = true;
        ++plainRunning;
        return {Plain, s};
    }
    for (size_t i = nextPlain; i-- > 0;) {
        Strip& strip = states[order[i]];
        if (!strip.plainDone && !strip.uprightStarted) {
            strip.uprightStarted = true;
            return {Upright, order[i]};
        }
    }
    return plainRunning > 0 ? Task{Wait, 0} : Task{None, 0};
}

StripSchedule::Outcome StripSchedule::plainDone(unsigned int s, int parked, bool folded)
{
    Strip& strip = states[s];
    strip.plainDone = true;
    strip.parked = parked;
    strip.folded = parked >= 0 && folded;
    --plainRunning;
    return outcome(strip);
}

StripSchedule::Outcome StripSchedule::uprightDone(unsigned int s, int parked, bool stopped)
{
    Strip& strip = states[s];
    strip.uprightDone = true;
    strip.parkedUp = stopped ? -1 : parked;
    return outcome(strip);
}

StripSchedule::Outcome StripSchedule::outcome(Strip& strip)
{
    Outcome o;
    if (!strip.plainDone)
        return o;
    o.dropUpright = strip.uprightStarted && !strip.folded;
    o.failed = strip.parked < 0 || (strip.folded && strip.uprightDone && strip.parkedUp < 0);
    // Told once only: what is done is read by other threads from then on.
    o.done = !strip.reported && (!strip.folded || strip.uprightDone);
    strip.reported = strip.reported || o.done;
    return o;
}
