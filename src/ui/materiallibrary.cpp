#include "ui/materiallibrary.h"

#include "base/veksettings.h"

#include <QVariant>

namespace {

const QString materialsGroup = QStringLiteral("materials");

struct BuiltIn
{
    const char* name;
    double ambient[3];
    double diffuse[3];
    double specular[3];
    double alpha;
    double shininess;
};

const BuiltIn builtIns[] = {
    {"Tan", {0.15, 0.1, 0.05}, {0.6, 0.4, 0.2}, {0, 0, 0}, 1, 0},
    {"brass", {0.329412, 0.223529, 0.027451}, {0.780392, 0.568627, 0.113725}, {0.992157, 0.941176, 0.807843}, 1, 27.8974},
    {"bronze", {0.2125, 0.1275, 0.054}, {0.714, 0.4284, 0.18144}, {0.393548, 0.271906, 0.166721}, 1, 25.6},
    {"polished bronze", {0.25, 0.148, 0.06475}, {0.4, 0.2368, 0.1036}, {0.774597, 0.458561, 0.200621}, 1, 76.8},
    {"chrome", {0.25, 0.25, 0.25}, {0.4, 0.4, 0.4}, {0.774597, 0.774597, 0.774597}, 1, 76.8},
    {"copper", {0.19125, 0.0735, 0.0225}, {0.7038, 0.27048, 0.0828}, {0.256777, 0.137622, 0.086014}, 1, 12.8},
    {"polished copper", {0.2295, 0.08825, 0.0275}, {0.5508, 0.2118, 0.066}, {0.580594, 0.223257, 0.0695701}, 1, 51.2},
    {"gold", {0.27425, 0.1995, 0.0745}, {0.75164, 0.60684, 0.22648}, {0.628281, 0.555802, 0.366065}, 1, 51.2},
    {"polished gold", {0.24725, 0.2245, 0.0645}, {0.34615, 0.3143, 0.0903}, {0.797357, 0.723991, 0.208006}, 1, 83.2},
    {"tin", {0.105882, 0.058824, 0.113725}, {0.427451, 0.470588, 0.541176}, {0.333333, 0.333333, 0.521569}, 1, 9.84615},
    {"silver", {0.19225, 0.19225, 0.19225}, {0.50754, 0.50754, 0.50754}, {0.508273, 0.508273, 0.508273}, 1, 51.2},
    {"polished silver", {0.23125, 0.23125, 0.23125}, {0.2775, 0.2775, 0.2775}, {0.773911, 0.773911, 0.773911}, 1, 89.6},
    {"emerald", {0.0215, 0.1745, 0.0215}, {0.07568, 0.61424, 0.07568}, {0.633, 0.727811, 0.633}, 0.55, 76.8},
    {"jade", {0.135, 0.2225, 0.1575}, {0.54, 0.89, 0.63}, {0.316228, 0.316228, 0.316228}, 0.95, 12.8},
    {"obsidian", {0.05375, 0.05, 0.06625}, {0.18275, 0.17, 0.22525}, {0.332741, 0.328634, 0.346435}, 0.82, 38.4},
    {"pearl", {0.25, 0.20725, 0.20725}, {1, 0.829, 0.829}, {0.296648, 0.296648, 0.296648}, 0.922, 11.264},
    {"ruby", {0.1745, 0.01175, 0.01175}, {0.61424, 0.04136, 0.04136}, {0.727811, 0.626959, 0.626959}, 0.55, 76.8},
    {"turquoise", {0.1, 0.18725, 0.1745}, {0.396, 0.74151, 0.69102}, {0.297254, 0.30829, 0.306678}, 0.8, 12.8},
    {"black plastic", {0, 0, 0}, {0.01, 0.01, 0.01}, {0.5, 0.5, 0.5}, 1, 32},
    {"cyan plastic", {0, 0.1, 0.06}, {0, 0.50938392, 0.50980392}, {0.50196078, 0.50196078, 0.50196078}, 1, 32},
    {"green plastic", {0, 0, 0}, {0.1, 0.35, 0.1}, {0.45, 0.55, 0.45}, 1, 32},
    {"red plastic", {0, 0, 0}, {0.5, 0, 0}, {0.7, 0.6, 0.6}, 1, 32},
    {"white plastic", {0, 0, 0}, {0.55, 0.55, 0.55}, {0.7, 0.7, 0.7}, 1, 32},
    {"yellow plastic", {0, 0, 0}, {0.5, 0.5, 0}, {0.6, 0.6, 0.5}, 1, 32},
};

QColor colourOf(const double rgb[3], double alpha)
{
    return QColor::fromRgbF(rgb[0], rgb[1], rgb[2], alpha);
}

Material builtInMaterial(const BuiltIn& entry)
{
    Material material;
    material.name = QString::fromLatin1(entry.name);
    material.ambient = colourOf(entry.ambient, entry.alpha);
    material.diffuse = colourOf(entry.diffuse, entry.alpha);
    // Tan alone has a fully transparent specular colour.
    const bool tan = material.name == QLatin1String("Tan");
    material.specular = colourOf(entry.specular, tan ? 0.0 : entry.alpha);
    material.shininess = entry.shininess;
    material.readOnly = true;
    return material;
}

bool isStorableName(const QString& name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'));
}

} // namespace

MaterialLibrary::MaterialLibrary(VekSettings* settings)
    : settings(settings)
{
}

void MaterialLibrary::load()
{
    materials.clear();

    settings->beginGroup(materialsGroup);
    const QStringList groups = settings->childGroups();
    for (const QString& group : groups) {
        settings->beginGroup(group);
        Material material;
        material.name = settings->value(QStringLiteral("name")).toString();
        material.ambient = settings->value(QStringLiteral("ambient")).value<QColor>();
        material.diffuse = settings->value(QStringLiteral("diffuse")).value<QColor>();
        material.specular = settings->value(QStringLiteral("specular")).value<QColor>();
        material.shininess = settings->value(QStringLiteral("shinyness")).toDouble();
        material.readOnly = false;
        settings->endGroup();
        materials.append(material);
    }
    settings->endGroup();

    for (const BuiltIn& entry : builtIns)
        materials.append(builtInMaterial(entry));
}

Material MaterialLibrary::find(const QString& name) const
{
    for (const Material& material : materials) {
        if (material.name == name)
            return material;
    }
    return Material();
}

QStringList MaterialLibrary::names() const
{
    QStringList result;
    result.reserve(materials.size());
    for (const Material& material : materials)
        result.append(material.name);
    return result;
}

void MaterialLibrary::save(const Material& material)
{
    if (!isStorableName(material.name))
        return;
    settings->beginGroup(materialsGroup + QLatin1Char('/') + material.name);
    settings->setValue(QStringLiteral("name"), material.name);
    settings->setValue(QStringLiteral("ambient"), material.ambient);
    settings->setValue(QStringLiteral("diffuse"), material.diffuse);
    settings->setValue(QStringLiteral("specular"), material.specular);
    settings->setValue(QStringLiteral("shinyness"), material.shininess);
    settings->setValue(QStringLiteral("readOnly"), false);
    settings->endGroup();
    settings->sync();
    load();
}

void MaterialLibrary::remove(const QString& name)
{
    if (!isStorableName(name))
        return;
    settings->remove(materialsGroup + QLatin1Char('/') + name);
    load();
}
