#pragma once

#include <QColor>
#include <QString>

// A named surface look of the lit relief.
struct Material
{
    QString name;
    QColor ambient;
    QColor diffuse;
    QColor specular;
    double shininess = 0.0;
    bool readOnly = false;
};
