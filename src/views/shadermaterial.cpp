#include "views/shadermaterial.h"

#include "geometry/vector3d.h"
#include "views/lightpreset.h"
#include "views/shader/shader.h"

namespace {

void storeColour(float* target, const QColor& c)
{
    target[0] = float(c.red() / 255.0);
    target[1] = float(c.green() / 255.0);
    target[2] = float(c.blue() / 255.0);
    target[3] = float(c.alpha() / 255.0);
}

QColor readColour(const float* source)
{
    int channel[4];
    for (int i = 0; i < 4; ++i) {
        channel[i] = int(source[i] * 255.0);
        if (channel[i] < 0 || channel[i] > 255)
            return QColor();
    }
    return QColor(channel[0], channel[1], channel[2], channel[3]);
}

} // namespace

void ShaderMaterial::setLightPreset(int index)
{
    if (!shader)
        return;
    const VekMath::Vector3d d = LightPreset::direction(index);
    shader->lightPosition[0] = float(d.x);
    shader->lightPosition[1] = float(d.y);
    shader->lightPosition[2] = float(d.z);
}

void ShaderMaterial::setAmbient(const QColor& c)
{
    if (shader)
        storeColour(shader->ambientMaterial, c);
}

void ShaderMaterial::setDiffuse(const QColor& c)
{
    if (shader)
        storeColour(shader->diffuseMaterial, c);
}

void ShaderMaterial::setSpecular(const QColor& c)
{
    if (shader)
        storeColour(shader->specularMaterial, c);
}

void ShaderMaterial::setShinyness(double shinyness)
{
    if (shader)
        shader->shinyness = float(shinyness);
}

QColor ShaderMaterial::ambient() const
{
    return shader ? readColour(shader->ambientMaterial) : QColor();
}

QColor ShaderMaterial::diffuse() const
{
    return shader ? readColour(shader->diffuseMaterial) : QColor();
}

QColor ShaderMaterial::specular() const
{
    return shader ? readColour(shader->specularMaterial) : QColor();
}

double ShaderMaterial::shinyness() const
{
    return shader ? shader->shinyness : 0.0;
}
