#include "views/shader/vboshader.h"

#include "views/shader/shadersources.h"

VboShader::VboShader() : buffers(true)
{
    program = compileProgram(ShaderSources::vertex(true, true).constData(),
                             ShaderSources::lit(true).constData());
    findUniforms(true);
}

void VboShader::bind()
{
    Shader::bind();
    buffers.bind();
}

void VboShader::release()
{
    buffers.release();
    Shader::release();
}

void VboShader::setArrays(const float* positions, uint32_t positionSize,
                          const float* normals, uint32_t normalSize,
                          const float* selection, uint32_t selectionSize,
                          const uint32_t* indices, uint32_t indexSize)
{
    positionBytes = positionSize;
    normalBytes = normalSize;
    selectionBytes = selectionSize;
    // Nothing is drawn from buffers the driver could not store.
    const bool stored = buffers.upload(positions, positionSize, normals, normalSize, selection,
                                       selectionSize, indices, indexSize);
    indexBytes = stored ? indexSize : 0;
}

void VboShader::updateVertices(const float* positions, const float* normals,
                               const float* selection, uint32_t firstVertex, uint32_t count)
{
    buffers.update(positions, normals, selection, firstVertex, count);
}

void VboShader::draw()
{
    if (positionBytes && normalBytes && selectionBytes && indexBytes)
        buffers.drawStrips(indexBytes / 4);
}
