#pragma once

#include "views/shader/shader.h"

// The height-colour program for OpenGL 2.1, drawn in immediate mode from the
// view's arrays; normals are not used.
class LegacyShader2d : public Shader
{
public:
    LegacyShader2d();

    void bind() override;
    void release() override;
    void draw() override;
    void setArrays(const float* positions, uint32_t positionBytes,
                   const float* normals, uint32_t normalBytes,
                   const float* selection, uint32_t selectionBytes,
                   const uint32_t* indices, uint32_t indexBytes) override;

private:
    const float* positions = nullptr;
    const float* selection = nullptr;
    const uint32_t* indices = nullptr;
};
