#include "windowtest.h"

#include "app/meshorientcontrols.h"
#include "app/ribbontabs.h"
#include "files/claimedgrid.h"
#include "files/workspacefile.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSlider>
#include <QTemporaryDir>
#include <QTextStream>

#include <sys/resource.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include "common/sanitizer.h"

namespace {

// Room left above what the open window already takes: enough for a message
// box, far too little for the grids of the files below.
const qint64 tooLittleForGrids = qint64(96) << 20;
// Cells a side of the files below: within the cell limit, some 36 MB a grid.
const int side = 3000;
// Cells a side of a file whose grids fit into the room the test leaves,
// but whose mesh, at one vertex a cell, does not fit beside them.
const int drawnSide = 1000;
// Facets of a mesh whose copy, view arrays and driver's copy each take tens
// of MB.
const int manyFacets = 1000000;

qint64 addressSpaceInUse()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmSize:"))
            return line.mid(7).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return -1;
}

// A file of cells a side, within the cell limit; at the default size its
// relief cannot be held within tooLittleForGrids.
bool writeLargeFile(const QString& path, const QString& kind, int cells = side)
{
    if (kind == QLatin1String("scp"))
        return writeClaimedWorkspace(path, cells, cells);
    if (kind == QLatin1String("ptr"))
        return writeClaimedHeightField(path, cells, cells);
    if (kind == QLatin1String("png"))
        return writeDotPicture(path, side, side);
    // A slope twenty inches square: its raster is about the size of the
    // grids above.
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QTextStream(&file) << "v 0 0 0\nv 20 0 1\nv 20 20 2\nv 0 20 1\nf 1 2 3\nf 1 3 4\n";
    return true;
}

// A binary STL of facets small squares (two facets each) over a slope twenty
// inches square, 50 bytes a facet in the file and 96 in memory.
bool writeManyFacets(const QString& path, int facets)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const int side = int(std::sqrt(facets / 2));
    const float step = 20.0f / float(side);
    QByteArray data(80, '\0');
    const qint32 count = 2 * side * side;
    data.append(reinterpret_cast<const char*>(&count), 4);
    auto facet = [&data](float x0, float y0, float x1, float y1, float x2, float y2) {
        const float values[12] = {0, 0, 1, x0, y0, x0 / 20, x1, y1, x1 / 20, x2, y2, x2 / 20};
        data.append(reinterpret_cast<const char*>(values), sizeof values);
        data.append(2, '\0');
    };
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const float x0 = x * step, y0 = y * step, x1 = x0 + step, y1 = y0 + step;
            facet(x0, y0, x1, y0, x1, y1);
            facet(x0, y0, x1, y1, x0, y1);
        }
    }
    return file.write(data) == data.size();
}

// Only the soft limit is set, so that it can be set again, higher or lower.
bool limitAddressSpace(qint64 headroom)
{
    const qint64 inUse = addressSpaceInUse();
    rlimit limit;
    if (inUse < 0 || getrlimit(RLIMIT_AS, &limit) != 0)
        return false;
    limit.rlim_cur = rlim_t(inUse + headroom);
    return setrlimit(RLIMIT_AS, &limit) == 0;
}

// The child: opens the window on a workspace, limits its address space to
// headroom above what is in use, loads the file, accepts a mesh (under a
// limit of acceptHeadroom above what is then in use, when that is not
// negative; with whenMade, set only once the relief is made, with a tilt
// on the import page that the window then applies to it) and reports the
// boxes shown, whether the model was kept, whether a mesh is held and what
// the window is called and saves to. It only gets to report when nothing
// aborted it.
int runChild(const QString& path, qint64 headroom, qint64 acceptHeadroom, bool whenMade)
{
    auto window = openWindow();
    const QString start = QFileInfo(path).dir().filePath(QStringLiteral("start.scp"));
    if (!WorkspaceFile::save(start, *window->currentModel()).ok())
        return 2;
    window->load(start, false);
    Relief* before = window->currentModel();
    ModalAnswerer answerer;
    std::vector<void*> hoard;
    if (!limitAddressSpace(headroom))
        return 2;
    window->load(path, false);
    if (window->currentMesh()) {
        if (whenMade) {
            window->panel()->findChild<QSlider*>(QStringLiteral("tiltHorizontal"))->setValue(30);
            // Asked for the room to draw the relief once it is made; the
            // drawing itself is not what runs short here. Memory freed
            // before could hold the tilted grid: all room is taken in pieces
            // of a megabyte, and every fourth given back for the box.
            window->findChild<MeshOrientControls*>()->setDrawingBytes([&hoard, acceptHeadroom](const Relief&) {
                limitAddressSpace(acceptHeadroom);
                while (void* piece = std::malloc(size_t(1) << 20))
                    hoard.push_back(piece);
                for (size_t i = 0; i < hoard.size(); i += 4)
                    std::free(std::exchange(hoard[i], nullptr));
                return 0LL;
            });
        } else if (acceptHeadroom >= 0 && !limitAddressSpace(acceptHeadroom)) {
            return 2;
        }
        for (QPushButton* b : window->ribbonWidget()->page(tabOrientScale)->findChildren<QPushButton*>()) {
            if (b->text() == QLatin1String("Accept"))
                b->click();
        }
        // The driver compiles its drawing code into fresh pages: the views
        // draw again under the load's own limit.
        if (whenMade) {
            for (void* piece : hoard)
                std::free(piece);
            limitAddressSpace(qint64(2) << 30);
        }
    }
    window->sculptWin()->grabFramebuffer();
    QTextStream report(stdout);
    for (const BoxRecord& box : answerer.boxes)
        report << "box: " << box.title << (box.title == QLatin1String("Accept") ? ": " + box.text : QString()) << "\n";
    report << "kept: " << (window->currentModel() == before ? "yes" : "no") << "\n";
    report << "mesh: " << (window->currentMesh() ? "held" : "none") << "\n";
    report << "title: " << window->windowTitle() << "\n";
    report << "saves to: " << QFileInfo(window->workspacePath()).fileName() << "\n";
    return 0;
}

} // namespace

class TestLoadOutOfMemory : public QObject
{
    Q_OBJECT

private slots:
    void runningOutOfMemoryShowsTheReadersBoxAndKeepsTheModel_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("title");
        QTest::newRow("workspace") << "scp" << "Load Failed";
        QTest::newRow("height field") << "ptr" << "Load Failed";
        QTest::newRow("picture") << "png" << "Open Failed";
    }

    void runningOutOfMemoryShowsTheReadersBoxAndKeepsTheModel()
    {
#ifdef MORVANE_ASAN
        QSKIP("AddressSanitizer reserves more address space than the limit leaves");
#endif
        QFETCH(QString, kind);
        QFETCH(QString, title);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("large.") + kind);
        QVERIFY(writeLargeFile(path, kind));
        QCOMPARE(loadLimited(path, tooLittleForGrids),
                 QStringLiteral("box: %1\nkept: yes\nmesh: none\ntitle: start.scp\nsaves to: start.scp\n").arg(title));
    }

    // The mesh was read, then its view's arrays, or the driver's copy of
    // them, found no room.
    void meshWithoutRoomToShowIsRefusedAndKeepsTheModel_data()
    {
        QTest::addColumn<int>("moreMegabytes");
        QTest::newRow("arrays") << 40;
        QTest::newRow("driver's copy") << 150;
    }

    void meshWithoutRoomToShowIsRefusedAndKeepsTheModel()
    {
#ifdef MORVANE_ASAN
        QSKIP("AddressSanitizer reserves more address space than the limit leaves");
#endif
        QFETCH(int, moreMegabytes);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("many.stl"));
        QVERIFY(writeManyFacets(path, manyFacets));
        QCOMPARE(loadLimited(path, qint64(manyFacets) * 96 + (qint64(moreMegabytes) << 20)),
                 QStringLiteral("box: Load Failed\nkept: yes\nmesh: none\ntitle: start.scp\nsaves to: start.scp\n"));
    }

    // Memory ran out at Accept: for the raster's grid, for the scaled copy
    // of a large mesh and then the grid, for drawing the relief made, or for
    // the tilted grid the window makes of that relief as it takes it.
    void acceptWithoutMemoryKeepsTheMeshAndSaysSo_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("acceptHeadroom");
        QTest::addColumn<bool>("whenMade");
        QTest::newRow("grid") << "large.obj" << tooLittleForGrids << false;
        QTest::newRow("copy of a large mesh") << "many.stl" << (qint64(16) << 20) << false;
        QTest::newRow("drawing") << "large.obj" << (qint64(500) << 20) << false;
        QTest::newRow("tilt the window applies") << "large.obj" << (qint64(16) << 20) << true;
    }

    void acceptWithoutMemoryKeepsTheMeshAndSaysSo()
    {
#ifdef MORVANE_ASAN
        QSKIP("AddressSanitizer reserves more address space than the limit leaves");
#endif
        QFETCH(QString, name);
        QFETCH(qint64, acceptHeadroom);
        QFETCH(bool, whenMade);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        QVERIFY(name.endsWith(QLatin1String(".obj")) ? writeLargeFile(path, QStringLiteral("obj"))
                                                     : writeManyFacets(path, manyFacets));
        QCOMPARE(loadLimited(path, qint64(2) << 30, acceptHeadroom, whenMade),
                 QStringLiteral("box: Accept: There was not enough memory to make a relief of the mesh. The mesh is "
                                "kept: scale it down and accept it again.\nkept: yes\nmesh: held\ntitle: %1\n"
                                "saves to: \n").arg(name));
    }

    // The room left holds the file's grids and a few MB more: the driver
    // ran short as it drew the file, inside its own code.
    void noRoomToDrawTheFileShowsTheReadersBoxAndKeepsTheModel_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<qint64>("gridBytes");
        QTest::addColumn<int>("moreMegabytes");
        const qint64 cells = qint64(drawnSide) * drawnSide;
        // The relief's five grids; a height field's samples and its source
        // besides.
        QTest::newRow("workspace") << "scp" << 20 * cells << 0;
        QTest::newRow("workspace, more room") << "scp" << 20 * cells << 24;
        QTest::newRow("height field") << "ptr" << 28 * cells << 0;
        QTest::newRow("height field, more room") << "ptr" << 28 * cells << 24;
    }

    void noRoomToDrawTheFileShowsTheReadersBoxAndKeepsTheModel()
    {
#ifdef MORVANE_ASAN
        QSKIP("AddressSanitizer reserves more address space than the limit leaves");
#endif
        QFETCH(QString, kind);
        QFETCH(qint64, gridBytes);
        QFETCH(int, moreMegabytes);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("drawn.") + kind);
        QVERIFY(writeLargeFile(path, kind, drawnSide));
        QCOMPARE(loadLimited(path, gridBytes + (qint64(moreMegabytes) << 20)),
                 QStringLiteral("box: Load Failed\nkept: yes\nmesh: none\ntitle: start.scp\nsaves to: start.scp\n"));
    }

private:
    // The child's report, once it ended normally.
    static QString loadLimited(const QString& path, qint64 headroom, qint64 acceptHeadroom = -1,
                               bool whenMade = false)
    {
        QProcess child;
        child.setProcessChannelMode(QProcess::SeparateChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--load-limited"), path, QString::number(headroom),
                     QString::number(acceptHeadroom), QString::number(int(whenMade))});
        if (!child.waitForFinished(120000))
            return QStringLiteral("child did not finish");
        const QString report = QString::fromLocal8Bit(child.readAllStandardOutput());
        if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
            return QStringLiteral("child aborted: ") + report
                + QString::fromLocal8Bit(child.readAllStandardError());
        return report;
    }
};

int main(int argc, char** argv)
{
    GLProbe::setDefaultFormat();
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs, true);
    QApplication app(argc, argv);
    VekSettings().setValue(QStringLiteral("/startwizard/startup"), false);
    if (argc == 6 && qstrcmp(argv[1], "--load-limited") == 0)
        return runChild(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toLongLong(),
                        QByteArray(argv[4]).toLongLong(), QByteArray(argv[5]).toInt() != 0);
    TestLoadOutOfMemory test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_loadoutofmemory_gl.moc"
