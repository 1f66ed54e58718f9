#pragma once

// How much more memory this process may take before it is refused or the
// system runs short: the least of the room left under its address-space
// limit, under the memory limit of its control group (and the groups
// above it) and the memory the system has available. Read afresh at
// every call, from the system's own figures; where none can be read the
// room is unbounded.
class MemoryLimit
{
public:
    // Bytes.
    static long long room();
    // Whether the address space has a limit: then memory that is only
    // reserved, as for a thread's stack, counts against it as well.
    static bool addressSpaceLimited();

private:
    static long long addressSpaceRoom();
    static long long controlGroupRoom();
    static long long systemAvailable();
};
