#pragma once

#include "views/shader/shader.h"
#include "views/shader/vertexbuffers.h"

// The height-colour program for OpenGL 3.3, drawn from vertex buffers;
// normals are not used.
class VboShader2d : public Shader
{
public:
    VboShader2d();

    void bind() override;
    void release() override;
    void draw() override;
    void setArrays(const float* positions, uint32_t positionBytes,
                   const float* normals, uint32_t normalBytes,
                   const float* selection, uint32_t selectionBytes,
                   const uint32_t* indices, uint32_t indexBytes) override;
    void updateVertices(const float* positions, const float* normals, const float* selection,
                        uint32_t firstVertex, uint32_t count) override;

private:
    VertexBuffers buffers;
};
