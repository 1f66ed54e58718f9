#pragma once

#include <QtGlobal>

// One entry of the undo stack. The stack marks an event undone before
// running its undo and clears the mark before its redo; groupEnd marks the
// last event of a group that one undo step takes back.
class SculptUndoEvent
{
public:
    virtual ~SculptUndoEvent() = default;

    virtual void undo() = 0;
    virtual void redo() = 0;
    // Bytes the event holds.
    virtual quint64 size() const = 0;

    bool undone = false;
    bool groupEnd = false;
};
