#include "relief/sculptundo.h"

#include "base/logfile.h"

SculptUndo::~SculptUndo()
{
    clear();
}

void SculptUndo::setActions(Enabler undoAction, Enabler redoAction)
{
    m_undoAction = std::move(undoAction);
    m_redoAction = std::move(redoAction);
    updateActions(false, false);
}

void SculptUndo::updateActions(bool canUndo, bool canRedo)
{
    if (m_undoAction)
        m_undoAction(canUndo);
    if (m_redoAction)
        m_redoAction(canRedo);
}

void SculptUndo::push(SculptUndoEvent* event)
{
    if (!event)
        return;
    std::unique_ptr<SculptUndoEvent> owned(event);
    while (m_index < count()) {
        m_totalSize -= m_events.back()->size();
        m_events.pop_back();
    }
    m_totalSize += owned->size();
    m_events.push_back(std::move(owned));
    ++m_index;
    m_modified = true;

    if (m_totalSize > sizeLimit) {
        LogFile::info() << "Undo size = " << m_totalSize << " limit = " << sizeLimit << " ... Trimming\n";
        while (m_totalSize > sizeLimit && m_index >= 1) {
            m_totalSize -= m_events.front()->size();
            m_events.pop_front();
            --m_index;
        }
    }
    updateActions(true, false);
}

void SculptUndo::closeGroup()
{
    if (m_index > 0)
        m_events[static_cast<size_t>(m_index) - 1]->groupEnd = true;
}

void SculptUndo::undo()
{
    if (m_index < 1) {
        updateActions(false, m_index < count());
        return;
    }
    do {
        --m_index;
        SculptUndoEvent* e = m_events[static_cast<size_t>(m_index)].get();
        if (!e->undone) {
            e->undone = true;
            e->undo();
        }
    } while (m_index > 0 && !m_events[static_cast<size_t>(m_index) - 1]->groupEnd);
    updateActions(m_index >= 1, m_index < count());
}

void SculptUndo::redo()
{
    if (m_index >= count()) {
        updateActions(m_index >= 1, false);
        return;
    }
    for (;;) {
        SculptUndoEvent* e = m_events[static_cast<size_t>(m_index)].get();
        ++m_index;
        if (e->undone) {
            e->undone = false;
            e->redo();
        }
        if (e->groupEnd || m_index >= count())
            break;
    }
    updateActions(m_index >= 1, m_index < count());
}

void SculptUndo::clear()
{
    updateActions(false, false);
    m_index = 0;
    m_events.clear();
    m_totalSize = 0;
    m_modified = false;
}
