#include "files/filesizelimit.h"
#include "files/reliefexport.h"
#include "mesh/stlfilewriter.h"
#include "relief/progressmonitor.h"
#include "relief/relief.h"

#include <QBuffer>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>


Q_DECLARE_METATYPE(ReliefExport::Format)

namespace {

// A relief with a ramp of heights, so that every cell makes facets.
std::unique_ptr<Relief> ramp(int w, int h)
{
    auto relief = std::make_unique<Relief>(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            relief->heights()[size_t(y) * w + x] = float(1 + x + y);
    relief->setHeightMax(w + h);
    return relief;
}

class CancellingMonitor : public ProgressMonitor
{
public:
    void setMaximum(int) override {}
    void setValue(int v) override { current = v; }
    int value() const override { return current; }
    void setAutoClose(bool) override {}
    void show() override {}
    void processEvents() override {}
    bool wasCanceled() const override { return true; }

    int current = 0;
};

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class TestReliefExport : public QObject
{
    Q_OBJECT

private slots:
    void stlHeaderKeepsTheLastSlash_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("header");
        QTest::newRow("folders") << QStringLiteral("/home/u/out.stl") << QStringLiteral("/out.stl");
        QTest::newRow("bare name") << QStringLiteral("out.stl") << QStringLiteral("out.stl");
    }

    void stlHeaderKeepsTheLastSlash()
    {
        QFETCH(QString, path);
        QFETCH(QString, header);
        QCOMPARE(ReliefExport::stlHeader(path), header);
    }

    void highQualityWritesTheGridItself()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("grid.stl"));
        auto relief = ramp(4, 3);
        relief->setZScale(2.0);
        QCOMPARE(ReliefExport::write(path, ReliefExport::Stl, *relief, 0.0, nullptr), ReliefExport::Written);
        QBuffer expected;
        expected.open(QIODevice::WriteOnly);
        QDataStream out(&expected);
        QVERIFY(writeHeightFieldStl(out, 4, 3, 2.0, relief->heights(), QStringLiteral("/grid.stl")));
        QCOMPARE(readAll(path), expected.data());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({QStringLiteral("grid.stl")}));
    }

    void failedWriteKeepsTheEarlierFile_data()
    {
        QTest::addColumn<ReliefExport::Format>("format");
        QTest::addColumn<double>("tolerance");
        QTest::newRow("stl grid") << ReliefExport::Stl << 0.0;
        QTest::newRow("obj grid") << ReliefExport::Obj << 0.0;
        QTest::newRow("stl reduced") << ReliefExport::Stl << 0.001;
        QTest::newRow("obj reduced") << ReliefExport::Obj << 0.001;
    }

    void failedWriteKeepsTheEarlierFile()
    {
        QFETCH(ReliefExport::Format, format);
        QFETCH(double, tolerance);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("out.mesh"));
        const QByteArray earlier("the earlier export");
        QVERIFY(writeFile(path, earlier));
        auto relief = ramp(64, 64);
        ReliefExport::Outcome outcome;
        {
            // Room for the reducer's strip files in the home folder is not
            // wanted here: the reduced mesh is a few thousand bytes.
            FileSizeLimit limit(tolerance == 0.0 ? 2048 : 1500);
            outcome = ReliefExport::write(path, format, *relief, tolerance, nullptr);
        }
        QCOMPARE(outcome, ReliefExport::Failed);
        QCOMPARE(readAll(path), earlier);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({QStringLiteral("out.mesh")}));
    }

    void cancelledReductionWritesNothing()
    {
        QTemporaryDir dir;
        const QString fresh = dir.filePath(QStringLiteral("fresh.stl"));
        const QString kept = dir.filePath(QStringLiteral("kept.obj"));
        QVERIFY(writeFile(kept, "kept"));
        auto relief = ramp(32, 32);
        CancellingMonitor monitor;
        QCOMPARE(ReliefExport::write(fresh, ReliefExport::Stl, *relief, 0.001, &monitor), ReliefExport::Cancelled);
        QVERIFY(!QFileInfo::exists(fresh));
        QCOMPARE(ReliefExport::write(kept, ReliefExport::Obj, *relief, 0.005, &monitor), ReliefExport::Cancelled);
        QCOMPARE(readAll(kept), QByteArray("kept"));
    }

    void coordinateThatIsNotFiniteFailsTheExport_data()
    {
        QTest::addColumn<ReliefExport::Format>("format");
        QTest::addColumn<double>("tolerance");
        QTest::addColumn<float>("height");
        QTest::addColumn<double>("zScale");
        const float inf = std::numeric_limits<float>::infinity();
        QTest::newRow("height not a number") << ReliefExport::Stl << 0.0 << std::nanf("") << 1.0;
        QTest::newRow("infinite height") << ReliefExport::Obj << 0.0 << inf << 1.0;
        QTest::newRow("infinite z scale") << ReliefExport::Stl << 0.001 << 5.0f << double(inf);
        QTest::newRow("beyond a float once scaled") << ReliefExport::Stl << 0.0 << 3e38f << 1000.0;
    }

    void coordinateThatIsNotFiniteFailsTheExport()
    {
        QFETCH(ReliefExport::Format, format);
        QFETCH(double, tolerance);
        QFETCH(float, height);
        QFETCH(double, zScale);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("out.mesh"));
        auto relief = ramp(16, 16);
        relief->heights()[5 * 16 + 5] = height;
        relief->setZScale(zScale);
        QCOMPARE(ReliefExport::write(path, format, *relief, tolerance, nullptr), ReliefExport::Failed);
        QVERIFY(QDir(dir.path()).isEmpty());
    }

    void deviceTargetIsRefusedAndKept()
    {
        if (!QFileInfo::exists(QStringLiteral("/dev/null")))
            QSKIP("no /dev/null here");
        auto relief = ramp(16, 16);
        QCOMPARE(ReliefExport::write(QStringLiteral("/dev/null"), ReliefExport::Stl, *relief, 0.0, nullptr),
                 ReliefExport::Failed);
        QCOMPARE(ReliefExport::write(QStringLiteral("/dev/null"), ReliefExport::Obj, *relief, 0.0, nullptr),
                 ReliefExport::Failed);
        const QFileInfo device(QStringLiteral("/dev/null"));
        QVERIFY(device.exists() && !device.isFile());
    }

    void missingFolderFails()
    {
        QTemporaryDir dir;
        auto relief = ramp(4, 4);
        QCOMPARE(ReliefExport::write(dir.filePath(QStringLiteral("no/such/out.stl")), ReliefExport::Stl, *relief,
                                     0.0, nullptr),
                 ReliefExport::Failed);
    }
};

QTEST_GUILESS_MAIN(TestReliefExport)
#include "tst_reliefexport.moc"
