#include "views/shader/vertexbuffers.h"

#include "views/shader/shader.h"

#include <QOpenGLContext>
#include <QOpenGLFunctions_3_3_Compatibility>
#include <QtGlobal>

VertexBuffers::VertexBuffers(bool normals) : withNormals(normals)
{
    QOpenGLContext* context = QOpenGLContext::currentContext();
    if (!context)
        qFatal("VertexBuffers: no current OpenGL context");
    gl = context->versionFunctions<QOpenGLFunctions_3_3_Compatibility>();
    if (!gl || !gl->initializeOpenGLFunctions())
        qFatal("VertexBuffers: OpenGL 3.3 functions unavailable");
    gl->glGenVertexArrays(1, &vertexArray);
    gl->glGenBuffers(1, &positionBuffer);
    if (withNormals)
        gl->glGenBuffers(1, &normalBuffer);
    gl->glGenBuffers(1, &selectionBuffer);
    gl->glGenBuffers(1, &indexBuffer);
}

VertexBuffers::~VertexBuffers()
{
    gl->glDeleteBuffers(1, &positionBuffer);
    if (withNormals)
        gl->glDeleteBuffers(1, &normalBuffer);
    gl->glDeleteBuffers(1, &selectionBuffer);
    gl->glDeleteBuffers(1, &indexBuffer);
    gl->glDeleteVertexArrays(1, &vertexArray);
}

void VertexBuffers::send(uint32_t buffer, uint32_t location, int components, const float* data,
                         uint32_t bytes)
{
    gl->glBindBuffer(GL_ARRAY_BUFFER, buffer);
    gl->glBufferData(GL_ARRAY_BUFFER, bytes, data, GL_STATIC_DRAW);
    gl->glVertexAttribPointer(location, components, GL_FLOAT, GL_FALSE, 0, nullptr);
    gl->glEnableVertexAttribArray(location);
}

bool VertexBuffers::upload(const float* positions, uint32_t positionBytes,
                           const float* normals, uint32_t normalBytes,
                           const float* selection, uint32_t selectionBytes,
                           const uint32_t* indices, uint32_t indexBytes)
{
    // Only the uploads' own errors may decide whether the buffers are drawn.
    for (int i = 0; i < 32 && gl->glGetError() != GL_NO_ERROR; ++i) {
    }
    gl->glBindVertexArray(vertexArray);
    send(positionBuffer, 0, 3, positions, positionBytes);
    uint32_t next = 1;
    if (withNormals)
        send(normalBuffer, next++, 3, normals, normalBytes);
    send(selectionBuffer, next, 1, selection, selectionBytes);
    gl->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
    gl->glBufferData(GL_ELEMENT_ARRAY_BUFFER, indexBytes, indices, GL_STATIC_DRAW);
    // A buffer the driver had no room for is left empty, and drawing from
    // it would read past its end.
    const bool stored = gl->glGetError() == GL_NO_ERROR;
    gl->glBindVertexArray(0);
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
    gl->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    if (!stored) {
        vertexCapacity = 0;
        return false;
    }
    vertexCapacity = positionBytes / 12;
    if (withNormals && normalBytes / 12 < vertexCapacity)
        vertexCapacity = normalBytes / 12;
    if (selectionBytes / 4 < vertexCapacity)
        vertexCapacity = selectionBytes / 4;
    return true;
}

void VertexBuffers::update(const float* positions, const float* normals, const float* selection,
                           uint32_t first, uint32_t count)
{
    if (first >= vertexCapacity)
        return;
    if (count > vertexCapacity - first)
        count = vertexCapacity - first;
    if (count == 0)
        return;
    gl->glBindBuffer(GL_ARRAY_BUFFER, positionBuffer);
    gl->glBufferSubData(GL_ARRAY_BUFFER, GLintptr(first) * 12, GLsizeiptr(count) * 12,
                        positions + 3 * size_t(first));
    if (withNormals) {
        gl->glBindBuffer(GL_ARRAY_BUFFER, normalBuffer);
        gl->glBufferSubData(GL_ARRAY_BUFFER, GLintptr(first) * 12, GLsizeiptr(count) * 12,
                            normals + 3 * size_t(first));
    }
    gl->glBindBuffer(GL_ARRAY_BUFFER, selectionBuffer);
    gl->glBufferSubData(GL_ARRAY_BUFFER, GLintptr(first) * 4, GLsizeiptr(count) * 4,
                        selection + first);
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void VertexBuffers::bind()
{
    gl->glPrimitiveRestartIndex(Shader::restartIndex);
    gl->glEnable(GL_PRIMITIVE_RESTART);
    gl->glBindVertexArray(vertexArray);
}

void VertexBuffers::release()
{
    gl->glDisable(GL_PRIMITIVE_RESTART);
    gl->glBindVertexArray(0);
}

void VertexBuffers::drawStrips(uint32_t indexCount)
{
    gl->glDrawElements(GL_TRIANGLE_STRIP, GLsizei(indexCount), GL_UNSIGNED_INT, nullptr);
}
