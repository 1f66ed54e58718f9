#pragma once

#include "relief/sculptundoevent.h"

#include <QPointer>

#include <deque>
#include <functional>
#include <memory>

// The stack of undo events, grouped so that one undo step takes back one
// stroke, fill or crop. It keeps its memory under a limit by dropping the
// oldest events, and tells the Undo and Redo actions when they apply.
class SculptUndo
{
public:
    static constexpr quint64 sizeLimit = 300000000;

    // Called with true when its action should be enabled.
    using Enabler = std::function<void(bool)>;

    SculptUndo() = default;
    virtual ~SculptUndo();
    SculptUndo(const SculptUndo&) = delete;
    SculptUndo& operator=(const SculptUndo&) = delete;

    // Stores both (either may be empty) and disables both.
    void setActions(Enabler undoAction, Enabler redoAction);
    // Any object with setEnabled(bool), such as a QAction, or null. The
    // stack only calls it while it still exists.
    template <class Action>
    void setActions(Action* undoAction, Action* redoAction)
    {
        setActions(enablerFor(undoAction), enablerFor(redoAction));
    }
    void updateActions(bool canUndo, bool canRedo);

    // Takes ownership; drops the undone events and trims the oldest ones
    // beyond the limit.
    void push(SculptUndoEvent* event);
    // Marks the newest event in effect as the end of its group.
    void closeGroup();
    void undo();
    void redo();
    // Deletes every event and disables both actions; the model is then no
    // longer modified (every load and save calls it).
    void clear();

    int count() const { return static_cast<int>(m_events.size()); }
    // Number of events in effect; those at index and beyond are undone.
    int index() const { return m_index; }
    quint64 totalSize() const { return m_totalSize; }
    const SculptUndoEvent* event(int i) const { return m_events.at(static_cast<size_t>(i)).get(); }
    // Set by every push, cleared only by clear(): trimming can empty the
    // stack without the model becoming unmodified.
    bool isModified() const { return m_modified; }

private:
    template <class Action>
    static Enabler enablerFor(Action* action)
    {
        if (!action)
            return Enabler();
        QPointer<Action> guarded(action);
        return [guarded](bool on) {
            if (guarded)
                guarded->setEnabled(on);
        };
    }

    std::deque<std::unique_ptr<SculptUndoEvent>> m_events;
    Enabler m_undoAction;
    Enabler m_redoAction;
    int m_index = 0;
    quint64 m_totalSize = 0;
    bool m_modified = false;
};
