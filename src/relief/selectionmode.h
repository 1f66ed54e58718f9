#pragma once

#include <QtGlobal>

// How a selection operation's marked cells join the selection: Normal and
// Additive select them (Normal after the caller cleared the selection),
// Subtractive deselects them. Scoped, so its names stay apart from
// Tool::Mode.
enum class SelectionMode : qint32 { Normal = 0, Additive = 1, Subtractive = 2 };
