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
#include <functional>

namespace {

// A relief with a few dozen cells of rounded bumps.
void carve(Relief& relief)
{
    for (int y = 0; y < relief.height(); ++y)
        for (int x = 0; x < relief.width(); ++x)
            relief.heights()[y * relief.width() + x] = float(4 + 3 * std::sin(x * 0.7) * std::cos(y * 0.5));
}

// Output of a program the test needs, or a skip when it is not installed.
QString run(const QString& program, const QStringList& arguments, int* exitCode)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(10000) || !process.waitForFinished(60000))
        return QString();
    *exitCode = process.exitCode();
    return QString::fromLocal8Bit(process.readAll());
}

bool writeFile(const QString& path, const std::function<bool(QFile&)>& write)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && write(file) && file.flush();
}

// admesh's count of the facets it read (the "Original" column).
int admeshFacets(const QString& output)
{
    const QRegularExpressionMatch m = QRegularExpression("Number of facets\\s*:\\s*(\\d+)").match(output);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

int assimpFaces(const QString& output)
{
    const QRegularExpressionMatch m = QRegularExpression("\\nFaces:\\s*(\\d+)").match(output);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

} // namespace

class TestMeshClients : public QObject
{
    Q_OBJECT

private slots:
    void stlExportsReadByAnotherProgram();
    void objExportsReadByAnotherProgram();
};

void TestMeshClients::stlExportsReadByAnotherProgram()
{
    if (QStandardPaths::findExecutable("admesh").isEmpty())
        QSKIP("admesh is not installed");
    QTemporaryDir dir;
    Relief relief(8, 6);
    carve(relief);
    const QString grid = dir.filePath("grid.stl");
    QVERIFY(writeFile(grid, [&](QFile& f) {
        QDataStream out(&f);
        return writeHeightFieldStl(out, 8, 6, 1.0, relief.heights(), "/grid.stl");
    }));

    Relief big(40, 40);
    carve(big);
    const FacetShape reduced = FacetReducer().reduceRelief(big, nullptr, 0.0005, 0);
    QVERIFY(reduced.facetCount() > 20);
    const QString facets = dir.filePath("reduced.stl");
    QVERIFY(writeFile(facets, [&](QFile& f) {
        QDataStream out(&f);
        return writeFacetShapeStl(out, reduced, "/reduced.stl");
    }));

    for (const auto& [path, count] : {std::make_pair(grid, 2 * 7 * 5), std::make_pair(facets, reduced.facetCount())}) {
        int exitCode = -1;
        const QString output = run("admesh", {path}, &exitCode);
        QCOMPARE(exitCode, 0);
        QVERIFY2(output.contains("Binary STL file"), qPrintable(output));
        QVERIFY2(!output.contains("rror"), qPrintable(output));
        QCOMPARE(admeshFacets(output), count);
    }
}

void TestMeshClients::objExportsReadByAnotherProgram()
{
    if (QStandardPaths::findExecutable("assimp").isEmpty())
        QSKIP("assimp-utils is not installed");
    QTemporaryDir dir;
    Relief relief(8, 6);
    carve(relief);
    const QString grid = dir.filePath("grid.obj");
    QVERIFY(writeFile(grid, [&](QFile& f) {
        QTextStream out(&f);
        return writeHeightFieldObj(out, 8, 6, 1.0, relief.heights());
    }));

    Relief big(40, 40);
    carve(big);
    const FacetShape reduced = FacetReducer().reduceRelief(big, nullptr, 0.0005, 0);
    const QString facets = dir.filePath("reduced.obj");
    QVERIFY(writeFile(facets, [&](QFile& f) {
        QTextStream out(&f);
        return writeFacetShapeObj(out, reduced);
    }));

    for (const auto& [path, count] : {std::make_pair(grid, 2 * 7 * 5), std::make_pair(facets, reduced.facetCount())}) {
        int exitCode = -1;
        const QString output = run("assimp", {"info", path}, &exitCode);
        QCOMPARE(exitCode, 0);
        QCOMPARE(assimpFaces(output), count);
    }
}

QTEST_GUILESS_MAIN(TestMeshClients)
#include "tst_meshclients.moc"
