#include "mesh/stripschedule.h"

#include <algorithm>

StripSchedule::StripSchedule(const std::vector<long long>& weights) : states(weights.size()), order(weights.size())
{
    for (unsigned int s = 0; s < weights.size(); ++s) {
        states[s].weight = weights[s];
        order[s] = s;
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](unsigned int a, unsigned int b) { return weights[a] > weights[b]; });
}

void StripSchedule::doneElsewhere(unsigned int s)
{
    Strip& strip = states[s];
    strip.plainStarted = strip.plainDone = strip.uprightStarted = strip.uprightDone = strip.reported = true;
    order.erase(std::find(order.begin(), order.end(), s));
}

double StripSchedule::likelyEnd(const Strip& strip) const
{
    // Before any has ended, the heaviest is the likeliest to end last.
    const double rate = weightEnded > 0 ? secondsEnded / double(weightEnded) : 1.0;
    return strip.started + double(strip.weight) * rate;
}

StripSchedule::Task StripSchedule::take(bool stopped, double now)
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
        states[s].started = now;
        ++plainRunning;
        return {Plain, s};
    }
    int last = -1;
    for (unsigned int s : order) {
        const Strip& strip = states[s];
        if (strip.plainStarted && !strip.plainDone && !strip.uprightStarted
            && (last < 0 || likelyEnd(strip) > likelyEnd(states[unsigned(last)])))
            last = int(s);
    }
    if (last >= 0) {
        states[unsigned(last)].uprightStarted = true;
        return {Upright, unsigned(last)};
    }
    return plainRunning > 0 ? Task{Wait, 0} : Task{None, 0};
}

StripSchedule::Outcome StripSchedule::plainDone(unsigned int s, int parked, bool folded, double now)
{
    Strip& strip = states[s];
    strip.plainDone = true;
    strip.parked = parked;
    strip.folded = parked >= 0 && folded;
    --plainRunning;
    secondsEnded += now - strip.started;
    weightEnded += strip.weight;
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
