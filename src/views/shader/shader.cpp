#include "views/shader/shader.h"

#include "base/logfile.h"

#include <QImage>
#include <QOpenGLContext>
#include <QOpenGLFunctions_2_1>
#include <QOpenGLTexture>
#include <QtGlobal>

#include <vector>

namespace {

// In a 1.20 program generic attribute 0 aliases the vertex position, so the
// selection value needs a location of its own. The 3.30 programs fix their
// locations in the source, which takes precedence over this binding.
const GLuint legacySelectionLocation = 3;

void logCompileFailure(QOpenGLFunctions_2_1* gl, GLuint shader)
{
    GLint length = 0;
    gl->glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    if (length > 1) {
        std::vector<char> text(size_t(length) + 1, '\0');
        gl->glGetShaderInfoLog(shader, length, nullptr, text.data());
        LogFile::critical() << "Compile log:: " << text.data();
        LogFile::flush();
    }
}

} // namespace

// The pictures sit in a resource object that a static link would otherwise
// leave out.
static void initViewResources()
{
    Q_INIT_RESOURCE(views);
}

Shader::Shader()
{
    initViewResources();
    QOpenGLContext* context = QOpenGLContext::currentContext();
    if (!context)
        qFatal("Shader: no current OpenGL context");
    gl = context->versionFunctions<QOpenGLFunctions_2_1>();
    if (!gl || !gl->initializeOpenGLFunctions())
        qFatal("Shader: OpenGL 2.1 functions unavailable");
    for (int i = 0; i < 16; ++i) {
        modelview[i] = (i % 5 == 0) ? 1.0f : 0.0f;
        projection[i] = modelview[i];
    }
    checkerboard = new QOpenGLTexture(QImage(":/morvane2/checkerboard"),
                                      QOpenGLTexture::DontGenerateMipMaps);
    checkerboard->setMinMagFilters(QOpenGLTexture::Nearest, QOpenGLTexture::Nearest);
}

Shader::~Shader()
{
    if (program != 0)
        gl->glDeleteProgram(program);
    delete checkerboard;
}

uint32_t Shader::compileProgram(const char* vertexSource, const char* fragmentSource)
{
    GLuint vertex = gl->glCreateShader(GL_VERTEX_SHADER);
    GLuint fragment = gl->glCreateShader(GL_FRAGMENT_SHADER);
    gl->glShaderSource(vertex, 1, &vertexSource, nullptr);
    gl->glShaderSource(fragment, 1, &fragmentSource, nullptr);
    gl->glCompileShader(vertex);
    gl->glCompileShader(fragment);

    GLint vertexOk = GL_FALSE;
    GLint fragmentOk = GL_FALSE;
    gl->glGetShaderiv(vertex, GL_COMPILE_STATUS, &vertexOk);
    if (vertexOk)
        gl->glGetShaderiv(fragment, GL_COMPILE_STATUS, &fragmentOk);

    if (!vertexOk || !fragmentOk) {
        logCompileFailure(gl, vertexOk ? fragment : vertex);
        gl->glDeleteShader(vertex);
        gl->glDeleteShader(fragment);
        throw "Shader compile failed...aborting!";
    }

    GLuint linked = gl->glCreateProgram();
    gl->glAttachShader(linked, vertex);
    gl->glAttachShader(linked, fragment);
    gl->glBindAttribLocation(linked, legacySelectionLocation, "selection");
    gl->glLinkProgram(linked);
    // The program keeps the stages alive; they go with it.
    gl->glDeleteShader(vertex);
    gl->glDeleteShader(fragment);
    GLint linkOk = GL_FALSE;
    gl->glGetProgramiv(linked, GL_LINK_STATUS, &linkOk);
    if (!linkOk) {
        gl->glDeleteProgram(linked);
        throw "Shader link failed ... aborting!";
    }
    return linked;
}

void Shader::findUniforms(bool litProgram)
{
    lit = litProgram;
    gl->glUseProgram(program);
    modelviewLocation = gl->glGetUniformLocation(program, "Modelview");
    projectionLocation = gl->glGetUniformLocation(program, "Projection");
    texUnitLocation = gl->glGetUniformLocation(program, "TexUnit0");
    sizeLocation = gl->glGetUniformLocation(program, "Size");
    if (lit) {
        lightPositionLocation = gl->glGetUniformLocation(program, "LightPosition");
        ambientLocation = gl->glGetUniformLocation(program, "AmbientMaterial");
        diffuseLocation = gl->glGetUniformLocation(program, "DiffuseMaterial");
        specularLocation = gl->glGetUniformLocation(program, "SpecularMaterial");
        shinynessLocation = gl->glGetUniformLocation(program, "Shinyness");
    } else {
        colorOffsetLocation = gl->glGetUniformLocation(program, "ColorOffset");
        minZLocation = gl->glGetUniformLocation(program, "MinZ");
        maxZLocation = gl->glGetUniformLocation(program, "MaxZ");
    }
    gl->glUseProgram(0);
}

void Shader::bind()
{
    gl->glUseProgram(program);
    gl->glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    gl->glUniformMatrix4fv(modelviewLocation, 1, GL_FALSE, modelview);
    gl->glGetFloatv(GL_PROJECTION_MATRIX, projection);
    gl->glUniformMatrix4fv(projectionLocation, 1, GL_FALSE, projection);
    if (lit) {
        gl->glUniform3fv(lightPositionLocation, 1, lightPosition);
        gl->glUniform4fv(ambientLocation, 1, ambientMaterial);
        gl->glUniform4fv(diffuseLocation, 1, diffuseMaterial);
        gl->glUniform4fv(specularLocation, 1, specularMaterial);
        gl->glUniform1f(shinynessLocation, shinyness);
    } else {
        gl->glUniform1f(colorOffsetLocation, colorOffset);
    }
    gl->glActiveTexture(GL_TEXTURE0);
    checkerboard->bind(0);
    gl->glUniform1i(texUnitLocation, 0);
    gl->glUniform1i(sizeLocation, size);
    if (!lit) {
        gl->glUniform1f(minZLocation, minZ);
        gl->glUniform1f(maxZLocation, maxZ);
    }
    gl->glEnable(GL_BLEND);
    gl->glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

void Shader::release()
{
    gl->glDisable(GL_BLEND);
    gl->glUseProgram(0);
    checkerboard->release(0);
}

void Shader::updateVertices(const float*, const float*, const float*, uint32_t, uint32_t)
{
}
