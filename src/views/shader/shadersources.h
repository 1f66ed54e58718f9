#pragma once

#include <QByteArray>

// GLSL texts of the relief programs. The 1.20 and 3.30 variants share their
// bodies and differ only in the declarations put in front of them.
namespace ShaderSources {

// modern: GLSL 3.30 with Position/Normal inputs, else GLSL 1.20 with the
// built-in vertex and normal. withNormal only matters for 3.30.
QByteArray vertex(bool modern, bool withNormal);
// Lighting with the material colours (3-D view).
QByteArray lit(bool modern);
// Colour by height (2-D view).
QByteArray heightColour(bool modern);

} // namespace ShaderSources
