#include "claimedgrid.h"
#include "files/imageimport.h"
#include "mesh/facetshape.h"
#include "mesh/heightgrid.h"
#include "mesh/rasterizer.h"
#include "relief/relief.h"
#include "relief/reliefsource.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// Just over the cell limit, even before any margins are added.
const qint32 overWidth = 8193;
const qint32 overHeight = 8192;

} // namespace

class TestReaderSizeLimits : public QObject
{
    Q_OBJECT

private slots:
    void gridsBeyondTheCellLimitAreRefusedFromTheirHeader_data()
    {
        QTest::addColumn<QString>("reader");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("workspace") << "scp" << "Load Failed";
        QTest::newRow("height field") << "ptr" << "Load Failed";
        QTest::newRow("picture") << "png" << "Open Failed";
        QTest::newRow("mesh raster") << "mesh" << "no grid";
    }

    void gridsBeyondTheCellLimitAreRefusedFromTheirHeader()
    {
        QFETCH(QString, reader);
        QFETCH(QString, refusal);
        QTemporaryDir dir;
        const QString path = dir.filePath("big." + reader);
        if (reader == "scp") {
            QVERIFY(writeClaimedWorkspace(path, overWidth, overHeight));
            std::unique_ptr<Relief> relief;
            QCOMPARE(WorkspaceFile::load(path, relief).title(), refusal);
            QVERIFY(!relief);
        } else if (reader == "ptr") {
            QVERIFY(writeClaimedHeightField(path, overWidth, overHeight));
            std::unique_ptr<ReliefSource> source;
            QCOMPARE(PtrFile::load(path, QString(), source).title(), refusal);
            QVERIFY(!source);
        } else if (reader == "png") {
            QVERIFY(writeDotPicture(path, overWidth, overHeight));
            std::unique_ptr<ReliefSource> source;
            QCOMPARE(ImageImport::load(path, source).title(), refusal);
            QVERIFY(!source);
        } else {
            FacetShape shape;
            using VekMath::Vector3d;
            shape.addFacet(Facet(Vector3d(0, 0, 0), Vector3d(overWidth, 0, 1), Vector3d(0, overHeight, 1),
                                 Vector3d(0, 0, 1)));
            HeightGrid grid;
            rasterizeFacetShape(grid, shape);
            QCOMPARE(grid.heights ? QString("a grid") : QString("no grid"), refusal);
        }
    }
};

QTEST_GUILESS_MAIN(TestReaderSizeLimits)
#include "tst_readersizelimits.moc"
