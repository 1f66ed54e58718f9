#pragma once

#include "relief/tool.h"

#include <memory>
#include <vector>

// The process-wide set of tools, at most one per type, and the current one.
// Made on first use; it owns its tools and lives until the process ends.
class ToolRegistry
{
public:
    static ToolRegistry* instance();

    // Both forward to the process-wide instance.
    static Tool* find(Tool::Type type);
    static Tool* select(Tool::Type type);

    static Tool* current();

    ToolRegistry(const ToolRegistry&) = delete;
    ToolRegistry& operator=(const ToolRegistry&) = delete;

private:
    ToolRegistry() = default;

    Tool* _find(Tool::Type type) const;
    Tool* _select(Tool::Type type);

    Tool* m_current = nullptr;
    std::vector<std::unique_ptr<Tool>> m_tools;
};
