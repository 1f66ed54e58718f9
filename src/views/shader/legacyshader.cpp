#include "views/shader/legacyshader.h"

#include "views/shader/shadersources.h"

#include <QOpenGLFunctions_2_1>

LegacyShader::LegacyShader()
{
    program = compileProgram(ShaderSources::vertex(false, true).constData(),
                             ShaderSources::lit(false).constData());
    findUniforms(true);
}

void LegacyShader::bind()
{
    Shader::bind();
}

void LegacyShader::release()
{
    Shader::release();
}

void LegacyShader::setArrays(const float* positionArray, uint32_t positionSize,
                             const float* normalArray, uint32_t normalSize,
                             const float* selectionArray, uint32_t selectionSize,
                             const uint32_t* indexArray, uint32_t indexSize)
{
    positions = positionArray;
    positionBytes = positionSize;
    normals = normalArray;
    normalBytes = normalSize;
    selection = selectionArray;
    selectionBytes = selectionSize;
    indices = indexArray;
    indexBytes = indexSize;
}

void LegacyShader::draw()
{
    if (!positions || !normals || !selection || !indices)
        return;
    drawStrips(gl, program, positions, normals, selection, indices, indexBytes / 4);
}

void LegacyShader::drawStrips(QOpenGLFunctions_2_1* gl, uint32_t program, const float* positions,
                              const float* normals, const float* selection,
                              const uint32_t* indices, uint32_t indexCount)
{
    const GLint selectionLocation = gl->glGetAttribLocation(program, "selection");
    gl->glBegin(GL_TRIANGLE_STRIP);
    for (uint32_t i = 0; i < indexCount; ++i) {
        const uint32_t k = indices[i];
        if (k == restartIndex) {
            gl->glEnd();
            gl->glBegin(GL_TRIANGLE_STRIP);
            continue;
        }
        if (normals)
            gl->glNormal3fv(normals + 3 * size_t(k));
        if (selectionLocation >= 0)
            gl->glVertexAttrib1f(GLuint(selectionLocation), selection[k]);
        gl->glVertex3fv(positions + 3 * size_t(k));
    }
    gl->glEnd();
}
