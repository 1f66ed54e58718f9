#pragma once

#include <QString>

// Start-up under an address-space limit. Every thread the GL driver, Qt and
// the C library start reserves its stack and, by default, an allocator arena
// of its own; on a machine with many cores that adds up to more than a
// modest limit leaves, and a thread that then cannot start hangs or crashes
// the program deep inside the driver or Qt.
class StartLimits
{
public:
    // First thing in main, before any thread exists and before the GL driver
    // loads: under a limit, threads share fewer allocator arenas and the
    // driver starts fewer threads of its own (unless the user chose their
    // number), both scaled to the limit. False, with the reason in message,
    // when the limit leaves too little room to start at all.
    static bool prepare(QString& message);

    // Once the application object exists: under a limit, Qt's shared thread
    // pool gets as few threads as the driver, and keeps them once started,
    // since work handed to it waits for ever for a thread that failed to
    // start.
    static void limitThreadPool();
};
