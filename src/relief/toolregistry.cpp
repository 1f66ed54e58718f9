#include "relief/toolregistry.h"

ToolRegistry* ToolRegistry::instance()
{
    static ToolRegistry registry;
    return &registry;
}

Tool* ToolRegistry::find(Tool::Type type)
{
    return instance()->_find(type);
}

Tool* ToolRegistry::select(Tool::Type type)
{
    return instance()->_select(type);
}

Tool* ToolRegistry::current()
{
    return instance()->m_current;
}

Tool* ToolRegistry::_find(Tool::Type type) const
{
    for (const auto& tool : m_tools) {
        if (tool->type == type)
            return tool.get();
    }
    return nullptr;
}

Tool* ToolRegistry::_select(Tool::Type type)
{
    if (Tool* existing = _find(type)) {
        m_current = existing;
        return existing;
    }
    auto tool = std::make_unique<Tool>(type);
    // A new tool starts from the brush the user was working with.
    if (const Tool* from = m_current) {
        tool->takeBrushFrom(*from);
        tool->useDecayLength = (type == Tool::Smudge);
    }
    m_current = tool.get();
    m_tools.push_back(std::move(tool));
    return m_current;
}
