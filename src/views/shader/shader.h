#pragma once

#include <cstdint>

class QOpenGLTexture;
class QOpenGLFunctions_2_1;

// A linked GLSL program that draws the relief mesh the view built: the view
// hands over its arrays, then binds, draws and releases on every repaint with
// its context current. The views write the lighting and colouring members
// directly; the next bind uploads them.
class Shader
{
public:
    // Ends one triangle strip and starts the next.
    static constexpr uint32_t restartIndex = 0xFFFFFFFFu;

    Shader();
    virtual ~Shader();

    // Pure, with the steps every program shares as their bodies.
    virtual void bind() = 0;
    virtual void release() = 0;
    virtual void draw() = 0;
    // Arrays of one mesh of n vertices: positions and normals 3 floats each,
    // selection 1 float, indices uint32 strips separated by restartIndex.
    virtual void setArrays(const float* positions, uint32_t positionBytes,
                           const float* normals, uint32_t normalBytes,
                           const float* selection, uint32_t selectionBytes,
                           const uint32_t* indices, uint32_t indexBytes) = 0;
    // The vertices firstVertex .. firstVertex + count - 1 of the arrays last
    // set changed in place; the arrays are the same ones, the indices stay.
    virtual void updateVertices(const float* positions, const float* normals,
                                const float* selection, uint32_t firstVertex,
                                uint32_t count);

    // Throws a C string when either stage does not compile or the program
    // does not link.
    uint32_t compileProgram(const char* vertexSource, const char* fragmentSource);

    uint32_t program = 0;
    uint32_t positionBytes = 0;
    uint32_t normalBytes = 0;
    uint32_t selectionBytes = 0;
    uint32_t indexBytes = 0;
    QOpenGLTexture* checkerboard = nullptr;
    int size = 1;
    float modelview[16];
    float projection[16];
    float lightPosition[3] = {0.0f, 0.0f, 0.0f};
    float ambientMaterial[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    float diffuseMaterial[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float specularMaterial[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    float shinyness = 0.0f;
    float colorOffset = 0.0f;
    float minZ = 0.0f;
    float maxZ = 0.0f;

protected:
    // Looks up the uniforms of the lit or of the height-colour program.
    void findUniforms(bool lit);

    // Shader objects, uniforms, textures and the fixed-function matrices:
    // present in every compatibility context from 2.1 on.
    QOpenGLFunctions_2_1* gl = nullptr;

    int modelviewLocation = -1;
    int projectionLocation = -1;
    int lightPositionLocation = -1;
    int ambientLocation = -1;
    int diffuseLocation = -1;
    int specularLocation = -1;
    int shinynessLocation = -1;
    int colorOffsetLocation = -1;
    int texUnitLocation = -1;
    int sizeLocation = -1;
    int minZLocation = -1;
    int maxZLocation = -1;
    bool lit = true;

private:
    Shader(const Shader&) = delete;
    Shader& operator=(const Shader&) = delete;
};
