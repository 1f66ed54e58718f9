#pragma once

#include "relief/reliefpatch.h"
#include "relief/sculptundoevent.h"

#include <memory>

class Relief;

// The heights of one rectangle before and after a change. It points at the
// relief it changed: the stack must be cleared when that relief goes.
class SculptModifyEvent : public SculptUndoEvent
{
public:
    // Takes the before side; the after side is the relief's current heights
    // over the same rectangle.
    SculptModifyEvent(Relief* relief, std::unique_ptr<ReliefPatch> before);

    void undo() override;
    void redo() override;
    quint64 size() const override;

    const ReliefPatch& before() const { return *m_before; }
    const ReliefPatch& after() const { return *m_after; }

private:
    void restore(const ReliefPatch& patch);

    Relief* m_relief;
    std::unique_ptr<ReliefPatch> m_before;
    std::unique_ptr<ReliefPatch> m_after;
};
