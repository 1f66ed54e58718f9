#include "base/veksettings.h"
#include "ui/materiallibrary.h"

#include <QtTest>

namespace {

const QStringList builtInNames = {
    "Tan", "brass", "bronze", "polished bronze", "chrome", "copper", "polished copper", "gold",
    "polished gold", "tin", "silver", "polished silver", "emerald", "jade", "obsidian", "pearl",
    "ruby", "turquoise", "black plastic", "cyan plastic", "green plastic", "red plastic",
    "white plastic", "yellow plastic"};

QVariantList fields(const Material& m)
{
    return {m.name, m.ambient, m.diffuse, m.specular, m.shininess, m.readOnly};
}

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
    void init()
    {
        VekSettings().remove("materials");
    }

    void builtInsHoldTheirValues()
    {
        VekSettings settings;
        MaterialLibrary library(&settings);
        library.load();
        QCOMPARE(library.names(), builtInNames);
        QCOMPARE(fields(library.find("obsidian")),
                 (QVariantList{"obsidian", QColor::fromRgbF(0.05375, 0.05, 0.06625, 0.82),
                               QColor::fromRgbF(0.18275, 0.17, 0.22525, 0.82),
                               QColor::fromRgbF(0.332741, 0.328634, 0.346435, 0.82), 38.4, true}));
        QCOMPARE(library.find("Tan").specular, QColor::fromRgbF(0, 0, 0, 0));
        QCOMPARE(library.find("cyan plastic").diffuse, QColor::fromRgbF(0, 0.50938392, 0.50980392, 1));
        QVERIFY(library.find("Obsidian").name.isEmpty());
    }

    void savedMaterialRoundTripsThroughSettingsFile()
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
        MaterialLibrary library(&settings);
        library.load();
        QCOMPARE(library.names(), QStringList{"My Clay"} + builtInNames);
        Material expected = clay("My Clay");
        expected.readOnly = false;
        QCOMPARE(fields(library.find("My Clay")), fields(expected));
    }

    void userMaterialShadowsAndRemovalSparesBuiltIn()
    {
        VekSettings settings;
        MaterialLibrary library(&settings);
        library.load();
        library.remove("brass");
        QCOMPARE(library.names(), builtInNames);
        library.save(clay("brass"));
        library.save(clay("stone"));
        QCOMPARE(library.names().indexOf("brass"), 0);
        QVERIFY(!library.find("brass").readOnly);
        library.remove("brass");
        QCOMPARE(library.names(), QStringList{"stone"} + builtInNames);
        QVERIFY(library.find("brass").readOnly);
    }

    void unsafeNamesAreIgnored_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << "";
        QTest::newRow("slash") << "a/b";
        QTest::newRow("leading slash") << "/";
        QTest::newRow("backslash") << "a\\b";
    }

    void unsafeNamesAreIgnored()
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
};

QTEST_MAIN(TestMaterialLibrary)
#include "tst_materiallibrary.moc"
