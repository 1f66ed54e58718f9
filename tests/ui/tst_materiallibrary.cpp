#include "app/veksettings.h"
#include "ui/materiallibrary.h"

#include <QtTest>

namespace {

const QStringList builtInNames = {
    "Tan", "brass", "bronze", "polished bronze", "chrome", "copper", "polished copper", "gold",
    "polished gold", "tin", "silver", "polished silver", "emerald", "jade", "obsidian", "pearl",
    "ruby", "turquoise", "black plastic", "cyan plastic", "green plastic", "red plastic",
    "white plastic", "yellow plastic"};

Material clay(const QString& name)
{
    Material material;
    material.name = name;
    material.ambient = QColor(10, 20, 30, 40);
    material.diffuse = QColor::fromRgbF(0.25, 0.5, 0.75, 1.0);
    material.specular = QColor(200, 100, 50);
    material.shininess = 42.5;
    material.readOnly = true;
    return material;
}

} // namespace

class TestMaterialLibrary : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void builtInsFollowUserMaterials();
    void builtInValues_data();
    void builtInValues();
    void savedMaterialRoundTripsThroughSettingsFile();
    void userMaterialShadowsBuiltIn();
    void removeTakesOnlyUserMaterial();
    void unsafeNamesAreIgnored_data();
    void unsafeNamesAreIgnored();
    void storedValuesOfOtherTypesAreConverted();
};

void TestMaterialLibrary::init()
{
    VekSettings settings;
    settings.remove("materials");
    settings.sync();
}

void TestMaterialLibrary::builtInsFollowUserMaterials()
{
    VekSettings settings;
    MaterialLibrary library(&settings);
    library.load();
    QCOMPARE(library.names(), builtInNames);

    library.save(clay("clay"));
    QCOMPARE(library.names(), QStringList{"clay"} + builtInNames);
    QVERIFY(library.find("obsidian").readOnly);

    const Material unknown = library.find("Obsidian");
    QVERIFY(unknown.name.isEmpty());
    QVERIFY(!unknown.ambient.isValid());
    QCOMPARE(unknown.shininess, 0.0);
    QVERIFY(!unknown.readOnly);
}

void TestMaterialLibrary::builtInValues_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QColor>("ambient");
    QTest::addColumn<QColor>("diffuse");
    QTest::addColumn<QColor>("specular");
    QTest::addColumn<double>("shininess");

    QTest::newRow("Tan") << "Tan" << QColor::fromRgbF(0.15, 0.1, 0.05, 1) << QColor::fromRgbF(0.6, 0.4, 0.2, 1)
                         << QColor::fromRgbF(0, 0, 0, 0) << 0.0;
    QTest::newRow("obsidian") << "obsidian" << QColor::fromRgbF(0.05375, 0.05, 0.06625, 0.82)
                              << QColor::fromRgbF(0.18275, 0.17, 0.22525, 0.82)
                              << QColor::fromRgbF(0.332741, 0.328634, 0.346435, 0.82) << 38.4;
    QTest::newRow("cyan plastic") << "cyan plastic" << QColor::fromRgbF(0, 0.1, 0.06, 1)
                                  << QColor::fromRgbF(0, 0.50938392, 0.50980392, 1)
                                  << QColor::fromRgbF(0.50196078, 0.50196078, 0.50196078, 1) << 32.0;
    QTest::newRow("emerald") << "emerald" << QColor::fromRgbF(0.0215, 0.1745, 0.0215, 0.55)
                             << QColor::fromRgbF(0.07568, 0.61424, 0.07568, 0.55)
                             << QColor::fromRgbF(0.633, 0.727811, 0.633, 0.55) << 76.8;
}

void TestMaterialLibrary::builtInValues()
{
    QFETCH(QString, name);
    QFETCH(QColor, ambient);
    QFETCH(QColor, diffuse);
    QFETCH(QColor, specular);
    QFETCH(double, shininess);

    VekSettings settings;
    MaterialLibrary library(&settings);
    library.load();
    const Material material = library.find(name);
    QCOMPARE(material.name, name);
    QCOMPARE(material.ambient, ambient);
    QCOMPARE(material.diffuse, diffuse);
    QCOMPARE(material.specular, specular);
    QCOMPARE(material.shininess, shininess);
    QVERIFY(material.readOnly);
}

void TestMaterialLibrary::savedMaterialRoundTripsThroughSettingsFile()
{
    {
        VekSettings settings;
        MaterialLibrary library(&settings);
        library.load();
        Material first = clay("My Clay");
        first.shininess = 7.0;
        library.save(first);
        library.save(clay("My Clay"));
    }
    VekSettings settings;
    QVERIFY(QFile::exists(settings.fileName()));
    QCOMPARE(settings.value("materials/My Clay/shinyness").toDouble(), 42.5);
    QCOMPARE(settings.value("materials/My Clay/readOnly").toBool(), false);

    MaterialLibrary library(&settings);
    library.load();
    const Material material = library.find("My Clay");
    const Material expected = clay("My Clay");
    QCOMPARE(material.name, expected.name);
    QCOMPARE(material.ambient, expected.ambient);
    QCOMPARE(material.diffuse, expected.diffuse);
    QCOMPARE(material.specular, expected.specular);
    QCOMPARE(material.shininess, expected.shininess);
    QVERIFY(!material.readOnly);
    QCOMPARE(library.names(), QStringList{"My Clay"} + builtInNames);
}

void TestMaterialLibrary::userMaterialShadowsBuiltIn()
{
    VekSettings settings;
    MaterialLibrary library(&settings);
    library.load();
    library.save(clay("gold"));
    QCOMPARE(library.names().count("gold"), 2);
    QCOMPARE(library.names().indexOf("gold"), 0);
    const Material gold = library.find("gold");
    QVERIFY(!gold.readOnly);
    QCOMPARE(gold.shininess, 42.5);
}

void TestMaterialLibrary::removeTakesOnlyUserMaterial()
{
    VekSettings settings;
    MaterialLibrary library(&settings);
    library.load();
    library.remove("brass");
    QCOMPARE(library.names(), builtInNames);

    library.save(clay("brass"));
    library.save(clay("stone"));
    library.remove("brass");
    QCOMPARE(library.names(), QStringList{"stone"} + builtInNames);
    QVERIFY(library.find("brass").readOnly);
}

void TestMaterialLibrary::unsafeNamesAreIgnored_data()
{
    QTest::addColumn<QString>("name");

    QTest::newRow("empty") << "";
    QTest::newRow("slash") << "a/b";
    QTest::newRow("leading slash") << "/";
    QTest::newRow("backslash") << "a\\b";
}

void TestMaterialLibrary::unsafeNamesAreIgnored()
{
    QFETCH(QString, name);

    VekSettings settings;
    MaterialLibrary library(&settings);
    library.load();
    library.save(clay("kept"));
    const QStringList keysBefore = settings.allKeys();

    library.save(clay(name));
    settings.sync();
    QCOMPARE(settings.allKeys(), keysBefore);

    library.remove(name);
    settings.sync();
    QCOMPARE(settings.allKeys(), keysBefore);
    QCOMPARE(library.names(), QStringList{"kept"} + builtInNames);
}

void TestMaterialLibrary::storedValuesOfOtherTypesAreConverted()
{
    VekSettings settings;
    settings.setValue("materials/painted/name", "painted");
    settings.setValue("materials/painted/ambient", "#ff0000");
    settings.setValue("materials/painted/diffuse", 17);
    settings.setValue("materials/painted/shinyness", "shiny");
    settings.setValue("materials/bare/diffuse", "#00ff00");

    MaterialLibrary library(&settings);
    library.load();
    const Material painted = library.find("painted");
    QCOMPARE(painted.ambient, QColor(Qt::red));
    QVERIFY(!painted.diffuse.isValid());
    QVERIFY(!painted.specular.isValid());
    QCOMPARE(painted.shininess, 0.0);
    QVERIFY(!painted.readOnly);

    // A group without a name is still listed, under the empty name.
    QCOMPARE(library.names().size(), builtInNames.size() + 2);
    QCOMPARE(library.find("").diffuse, QColor(Qt::green));
}

QTEST_MAIN(TestMaterialLibrary)
#include "tst_materiallibrary.moc"
