#include "views/shader/vboshader2d.h"

#include "views/shader/shadersources.h"

VboShader2d::VboShader2d() : buffers(false)
{
    program = compileProgram(ShaderSources::vertex(true, false).constData(),
                             ShaderSources::heightColour(true).constData());
    findUniforms(false);
}

void VboShader2d::bind()
{
    Shader::bind();
    buffers.bind();
}

void VboShader2d::release()
{
    buffers.release();
    Shader::release();
}

void VboShader2d::setArrays(const float* positions, uint32_t positionSize,
                            const float*, uint32_t,
                            const float* selection, uint32_t selectionSize,
                            const uint32_t* indices, uint32_t indexSize)
{
    positionBytes = positionSize;
    normalBytes = 0;
    selectionBytes = selectionSize;
    // Nothing is drawn from buffers the driver could not store.
    const bool stored = buffers.upload(positions, positionSize, nullptr, 0, selection,
                                       selectionSize, indices, indexSize);
    indexBytes = stored ? indexSize : 0;
}

void VboShader2d::updateVertices(const float* positions, const float*, const float* selection,
                                 uint32_t firstVertex, uint32_t count)
{
    buffers.update(positions, nullptr, selection, firstVertex, count);
}

void VboShader2d::draw()
{
    if (positionBytes && selectionBytes && indexBytes)
        buffers.drawStrips(indexBytes / 4);
}
