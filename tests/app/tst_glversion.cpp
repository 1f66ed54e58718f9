#include "app/glprobe.h"

#include <QtTest>

class TestGLVersion : public QObject
{
    Q_OBJECT

private slots:
    void leadingNumberIsRead_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<double>("number");
        QTest::addColumn<bool>("enough");
        QTest::newRow("compatibility context") << QByteArray("4.5 (Compatibility Profile) Mesa 22.3.6") << 4.5
                                               << true;
        QTest::newRow("exactly 2.1") << QByteArray("2.1 Mesa 22.3.6") << 2.1 << true;
        QTest::newRow("2.1 with release") << QByteArray("2.1.2 NVIDIA 340") << 2.1 << true;
        QTest::newRow("2.0 is too old") << QByteArray("2.0 Mesa") << 2.0 << false;
        QTest::newRow("1.4 is too old") << QByteArray("1.4") << 1.4 << false;
        QTest::newRow("leading blanks") << QByteArray("  3.3") << 3.3 << true;
        QTest::newRow("number ending in a point") << QByteArray("3. vendor") << 3.0 << true;
        QTest::newRow("no number") << QByteArray("OpenGL ES 3.2 Mesa") << 0.0 << false;
        QTest::newRow("empty") << QByteArray("") << 0.0 << false;
        QTest::newRow("comma is not a decimal point") << QByteArray("2,1") << 2.0 << false;
    }

    void leadingNumberIsRead()
    {
        QFETCH(QByteArray, text);
        QFETCH(double, number);
        QFETCH(bool, enough);
        const double read = GLProbe::versionNumber(text);
        QCOMPARE(read, number);
        QCOMPARE(!(read < GLProbe::minimumVersion), enough);
    }
};

QTEST_GUILESS_MAIN(TestGLVersion)
#include "tst_glversion.moc"
