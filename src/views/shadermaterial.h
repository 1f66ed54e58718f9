#pragma once

#include <QColor>

class Shader;

// The light and the material of the lit relief program, set and read on a
// shader the view may not have made yet: without one nothing is kept, the
// colours read back invalid and the shininess 0.
class ShaderMaterial
{
public:
    explicit ShaderMaterial(Shader* shader) : shader(shader) {}

    // The light direction of a preset (see LightPreset).
    void setLightPreset(int index);
    void setAmbient(const QColor& c);
    void setDiffuse(const QColor& c);
    void setSpecular(const QColor& c);
    void setShinyness(double shinyness);
    // Channels stored as fractions of 255 and truncated back; a channel
    // outside 0-255 gives an invalid colour.
    QColor ambient() const;
    QColor diffuse() const;
    QColor specular() const;
    double shinyness() const;

private:
    Shader* shader;
};
