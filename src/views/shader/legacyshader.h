#pragma once

#include "views/shader/shader.h"

// The lit relief program for OpenGL 2.1: draws the view's arrays in
// immediate mode, so it keeps pointers to them and copies nothing.
class LegacyShader : public Shader
{
public:
    LegacyShader();

    void bind() override;
    void release() override;
    void draw() override;
    void setArrays(const float* positions, uint32_t positionBytes,
                   const float* normals, uint32_t normalBytes,
                   const float* selection, uint32_t selectionBytes,
                   const uint32_t* indices, uint32_t indexBytes) override;

    // Walks the strips one vertex at a time; normals may be null (2-D).
    static void drawStrips(QOpenGLFunctions_2_1* gl, uint32_t program, const float* positions,
                           const float* normals, const float* selection,
                           const uint32_t* indices, uint32_t indexCount);

private:
    const float* positions = nullptr;
    const float* normals = nullptr;
    const float* selection = nullptr;
    const uint32_t* indices = nullptr;
};
