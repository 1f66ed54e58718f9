#include "views/shader/legacyshader2d.h"

#include "views/shader/legacyshader.h"
#include "views/shader/shadersources.h"

LegacyShader2d::LegacyShader2d()
{
    program = compileProgram(ShaderSources::vertex(false, false).constData(),
                             ShaderSources::heightColour(false).constData());
    findUniforms(false);
}

void LegacyShader2d::bind()
{
    Shader::bind();
}

void LegacyShader2d::release()
{
    Shader::release();
}

void LegacyShader2d::setArrays(const float* positionArray, uint32_t positionSize,
                               const float*, uint32_t,
                               const float* selectionArray, uint32_t selectionSize,
                               const uint32_t* indexArray, uint32_t indexSize)
{
    positions = positionArray;
    positionBytes = positionSize;
    normalBytes = 0;
    selection = selectionArray;
    selectionBytes = selectionSize;
    indices = indexArray;
    indexBytes = indexSize;
}

void LegacyShader2d::draw()
{
    if (!positions || !selection || !indices)
        return;
    LegacyShader::drawStrips(gl, program, positions, nullptr, selection, indices, indexBytes / 4);
}
