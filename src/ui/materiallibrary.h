#pragma once

#include "ui/material.h"

#include <QList>
#include <QStringList>

class VekSettings;

// The user's materials, kept in the settings group "materials", followed by
// the built-in ones, which are never stored. Names need not be unique: a
// user material may shadow a built-in of the same name.
class MaterialLibrary
{
public:
    explicit MaterialLibrary(VekSettings* settings);

    void load();
    Material find(const QString& name) const;
    QStringList names() const;
    // Both ignore a name that is empty or holds "/" or "\": such a name would
    // address the whole group or a nested one in the settings.
    void save(const Material& material);
    void remove(const QString& name);

private:
    VekSettings* settings;
    QList<Material> materials;
};
