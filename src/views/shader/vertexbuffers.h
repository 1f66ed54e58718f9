#pragma once

#include <cstdint>

class QOpenGLFunctions_3_3_Compatibility;

// One vertex array object with its buffers: positions at attribute 0, then
// normals (when used) and selection values at the next locations, and the
// strip indices as the element array. Needs the context current throughout.
class VertexBuffers
{
public:
    explicit VertexBuffers(bool withNormals);
    ~VertexBuffers();

    // False when the driver could not store them: nothing may be drawn
    // from the buffers then.
    bool upload(const float* positions, uint32_t positionBytes,
                const float* normals, uint32_t normalBytes,
                const float* selection, uint32_t selectionBytes,
                const uint32_t* indices, uint32_t indexBytes);
    // Re-sends vertices first .. first + count - 1 of arrays already uploaded.
    void update(const float* positions, const float* normals, const float* selection,
                uint32_t first, uint32_t count);
    // Primitive restart on and the vertex array bound, for drawing.
    void bind();
    void release();
    void drawStrips(uint32_t indexCount);

    QOpenGLFunctions_3_3_Compatibility* gl = nullptr;

private:
    void send(uint32_t buffer, uint32_t location, int components, const float* data,
              uint32_t bytes);

    bool withNormals;
    uint32_t vertexArray = 0;
    uint32_t positionBuffer = 0;
    uint32_t normalBuffer = 0;
    uint32_t selectionBuffer = 0;
    uint32_t indexBuffer = 0;
    uint32_t vertexCapacity = 0;

    VertexBuffers(const VertexBuffers&) = delete;
    VertexBuffers& operator=(const VertexBuffers&) = delete;
};
