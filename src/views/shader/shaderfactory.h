#pragma once

class Shader;

// Chooses, once per view, the OpenGL 3.3 buffer engine or the OpenGL 2.1
// immediate-mode engine for the current context.
class ShaderFactory
{
public:
    enum ShaderType { Relief3d = 0, Height2d = 1 };

    // A new shader owned by the caller, or null for an unknown type. Needs a
    // current context; ends the program without one.
    static Shader* getShader(ShaderType type);

    // The leading number of a GL_VERSION text ("4.6.0 ..." gives 4.6), read
    // the same whatever the C library's locale; 0 when there is none.
    static double leadingVersion(const char* text);
};
