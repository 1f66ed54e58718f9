#include "mesh/facetreducer.h"
#include "mesh/objfilewriter.h"
#include "mesh/stlfilewriter.h"
#include "relief/relief.h"

#include <QDataStream>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

#include <cmath>

class TestMeshClients : public QObject
{
    Q_OBJECT

private slots:
    void exportsReadByAnotherProgram_data();
    void exportsReadByAnotherProgram();
};

void TestMeshClients::exportsReadByAnotherProgram_data()
{
    QTest::addColumn<bool>("stl");
    QTest::addColumn<bool>("reduced");
    QTest::newRow("height field STL") << true << false;
    QTest::newRow("reduced STL") << true << true;
    QTest::newRow("height field OBJ") << false << false;
    QTest::newRow("reduced OBJ") << false << true;
}

void TestMeshClients::exportsReadByAnotherProgram()
{
    QFETCH(bool, stl);
    QFETCH(bool, reduced);
    const QString program = stl ? "admesh" : "assimp";
    if (QStandardPaths::findExecutable(program).isEmpty())
        QSKIP("the reading program is not installed");

    // Rounded bumps: 8 x 6 cells written whole, or 40 x 40 reduced.
    Relief relief(reduced ? 40 : 8, reduced ? 40 : 6);
    for (int y = 0; y < relief.height(); ++y)
        for (int x = 0; x < relief.width(); ++x)
            relief.heights()[y * relief.width() + x] = float(4 + 3 * std::sin(x * 0.7) * std::cos(y * 0.5));
    FacetShape shape;
    int facets = 2 * 7 * 5;
    if (reduced) {
        shape = FacetReducer().reduceRelief(relief, nullptr, 0.0005, 0);
        facets = shape.facetCount();
        QVERIFY(facets > 20);
    }

    QTemporaryDir dir;
    QFile file(dir.filePath(stl ? "export.stl" : "export.obj"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    if (stl) {
        QDataStream out(&file);
        QVERIFY(reduced ? writeFacetShapeStl(out, shape, file.fileName())
                        : writeHeightFieldStl(out, 8, 6, 1.0, relief.heights(), file.fileName()));
    } else {
        QTextStream out(&file);
        QVERIFY(reduced ? writeFacetShapeObj(out, shape) : writeHeightFieldObj(out, 8, 6, 1.0, relief.heights()));
    }
    file.close();

    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, stl ? QStringList{file.fileName()} : QStringList{"info", file.fileName()});
    QVERIFY(process.waitForFinished(60000));
    const QString output = QString::fromLocal8Bit(process.readAll());
    QCOMPARE(process.exitCode(), 0);
    if (stl)
        QVERIFY2(output.contains("Binary STL file") && !output.contains("rror"), qPrintable(output));
    // admesh's "Original" count of facets read, or assimp's count of faces.
    const QRegularExpression count(stl ? "Number of facets\\s*:\\s*(\\d+)" : "\\nFaces:\\s*(\\d+)");
    QCOMPARE(count.match(output).captured(1).toInt(), facets);
}

QTEST_GUILESS_MAIN(TestMeshClients)
#include "tst_meshclients.moc"
