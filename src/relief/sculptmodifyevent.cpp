#include "relief/sculptmodifyevent.h"

#include "relief/relief.h"

SculptModifyEvent::SculptModifyEvent(Relief* relief, std::unique_ptr<ReliefPatch> before)
    : m_relief(relief)
    , m_before(std::move(before))
    , m_after(std::make_unique<ReliefPatch>(*relief, relief->heights(), m_before->rect()))
{
}

void SculptModifyEvent::undo()
{
    restore(*m_before);
}

void SculptModifyEvent::redo()
{
    restore(*m_after);
}

quint64 SculptModifyEvent::size() const
{
    return (quint64(m_after->cellCount()) + m_before->cellCount() + 24) * 4 + 48;
}

void SculptModifyEvent::restore(const ReliefPatch& patch)
{
    m_relief->setHeightMin(patch.heightMin());
    m_relief->setHeightMax(patch.heightMax());
    patch.copyInto(m_relief->heights(), m_relief->width());
    m_relief->mergeChangedRect(patch.rect());
    m_relief->setChanged(true);
}
