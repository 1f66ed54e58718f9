#include "views/shader/shadersources.h"

namespace {

const char* const vertexUniforms = R"(
uniform mat4 Modelview;
uniform mat4 Projection;
uniform int Size;
)";

const char* const vertex120 = R"(#version 120
attribute float selection;
varying vec3 vNormal;
varying vec2 vTexCoord;
varying float vZPos;
varying float selected;
#define POSITION gl_Vertex
#define NORMAL gl_Normal
)";

const char* const vertex330Normal = R"(#version 330
layout(location = 0) in vec4 Position;
layout(location = 1) in vec4 Normal;
layout(location = 2) in float selection;
out vec3 vNormal;
out vec2 vTexCoord;
out float vZPos;
out float selected;
#define POSITION Position
#define NORMAL Normal.xyz
)";

const char* const vertex330Plain = R"(#version 330
layout(location = 0) in vec4 Position;
layout(location = 1) in float selection;
out vec2 vTexCoord;
out float vZPos;
out float selected;
#define POSITION Position
)";

// Lighting happens in the relief's own coordinates, so the normal passes on
// untransformed; the checkerboard spans a relief of Size cells once.
const char* const vertexBody = R"(
void main()
{
#ifdef NORMAL
    vNormal = NORMAL;
#endif
    vZPos = POSITION.z;
    selected = selection;
    vTexCoord = vec2(POSITION.x / float(Size) + 0.5, POSITION.y / float(Size) + 0.5);
    gl_Position = Projection * Modelview * vec4(POSITION.xyz, 1.0);
}
)";

const char* const fragment120 = R"(#version 120
varying vec3 vNormal;
varying vec2 vTexCoord;
varying float vZPos;
varying float selected;
#define FragColor gl_FragColor
#define texture texture2D
)";

const char* const fragment330Lit = R"(#version 330
in vec3 vNormal;
in vec2 vTexCoord;
in float vZPos;
in float selected;
out vec4 FragColor;
)";

const char* const fragment330Height = R"(#version 330
in vec2 vTexCoord;
in float vZPos;
in float selected;
out vec4 FragColor;
)";

const char* const litUniforms = R"(
uniform sampler2D TexUnit0;
uniform vec3 LightPosition;
uniform vec4 AmbientMaterial;
uniform vec4 DiffuseMaterial;
uniform vec4 SpecularMaterial;
uniform float Shinyness;
)";

const char* const heightUniforms = R"(
uniform sampler2D TexUnit0;
uniform float ColorOffset;
uniform float MinZ;
uniform float MaxZ;
)";

// Back faces are lit like front faces. pow() is undefined for a base of 0,
// and Shinyness starts at 0: the base is kept just above 0.
const char* const litColour = R"(
vec3 surfaceColour()
{
    vec3 N = normalize(vNormal);
    vec3 L = LightPosition;
    vec3 E = vec3(0.0, 0.0, 1.0);
    vec3 H = normalize(L + E);
    float df = abs(dot(N, L)) * DiffuseMaterial.a;
    float sf = pow(max(abs(dot(N, H)), 1.0e-7), Shinyness) * SpecularMaterial.a;
    return AmbientMaterial.rgb * AmbientMaterial.a + df * DiffuseMaterial.rgb
         + sf * SpecularMaterial.rgb;
}
)";

const char* const heightColourBody = R"(
vec3 surfaceColour()
{
    vec3 colour = vec3(0.0);
    if (MaxZ != MinZ) {
        const float twoPi = 6.28318530718;
        float val = (vZPos - MinZ) / (MaxZ - MinZ) * 255.0 + ColorOffset;
        colour.g = 0.5 + 0.5 * sin(twoPi / 255.0 * val + 0.5 * 3.14159265359);
        colour.b = 0.5 + 0.5 * sin(twoPi / 255.0 * val + 3.14159265359);
    }
    return colour;
}
)";

// A selection tints red and keeps the colour's length; what lies at or
// below zero and is not selected shows the checkerboard at half opacity.
const char* const fragmentMain = R"(
void main()
{
    vec3 colour = surfaceColour();
    if (selected != 0.0) {
        float m = length(colour);
        colour = normalize(vec3(1.0, 0.0, 0.0) + colour) * m;
    }
    if (vZPos <= 0.0 && selected == 0.0)
        FragColor = vec4(texture(TexUnit0, vTexCoord).rgb, 0.5);
    else
        FragColor = vec4(colour, 1.0);
}
)";

} // namespace

namespace ShaderSources {

QByteArray vertex(bool modern, bool withNormal)
{
    QByteArray text = modern ? (withNormal ? vertex330Normal : vertex330Plain) : vertex120;
    return text + vertexUniforms + vertexBody;
}

QByteArray lit(bool modern)
{
    QByteArray text = modern ? fragment330Lit : fragment120;
    return text + litUniforms + litColour + fragmentMain;
}

QByteArray heightColour(bool modern)
{
    QByteArray text = modern ? fragment330Height : fragment120;
    return text + heightUniforms + heightColourBody + fragmentMain;
}

} // namespace ShaderSources
