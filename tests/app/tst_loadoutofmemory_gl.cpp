#include "windowtest.h"

#include "app/ribbontabs.h"
#include "files/claimedgrid.h"
#include "files/workspacefile.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <sys/resource.h>

#include <cstdio>

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

// The child: opens the window on a workspace, limits its address space to
// headroom above what is in use, loads the file (and accepts a mesh) and
// reports the boxes shown, whether the model was kept and what the window is
// called and saves to. It only gets to report when nothing aborted it.
int runChild(const QString& path, qint64 headroom)
{
    auto window = openWindow();
    const QString start = QFileInfo(path).dir().filePath(QStringLiteral("start.scp"));
    if (!WorkspaceFile::save(start, *window->currentModel()).ok())
        return 2;
    window->load(start, false);
    Relief* before = window->currentModel();
    ModalAnswerer answerer;
    const qint64 inUse = addressSpaceInUse();
    const rlimit limit{rlim_t(inUse + headroom), rlim_t(inUse + headroom)};
    if (inUse < 0 || setrlimit(RLIMIT_AS, &limit) != 0)
        return 2;
    window->load(path, false);
    if (window->currentMesh()) {
        for (QPushButton* b : window->ribbonWidget()->page(tabOrientScale)->findChildren<QPushButton*>()) {
            if (b->text() == QLatin1String("Accept"))
                b->click();
        }
    }
    window->sculptWin()->grabFramebuffer();
    QTextStream report(stdout);
    for (const BoxRecord& box : answerer.boxes)
        report << "box: " << box.title << "\n";
    report << "kept: " << (window->currentModel() == before ? "yes" : "no") << "\n";
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
        QTest::newRow("mesh raster") << "obj" << "Accept";
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
        QCOMPARE(loadLimited(path, tooLittleForGrids), QStringLiteral("box: %1\nkept: yes\ntitle: start.scp\nsaves to: start.scp\n").arg(title));
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
                 QStringLiteral("box: Load Failed\nkept: yes\ntitle: start.scp\nsaves to: start.scp\n"));
    }

private:
    // The child's report, once it ended normally.
    static QString loadLimited(const QString& path, qint64 headroom)
    {
        QProcess child;
        child.setProcessChannelMode(QProcess::SeparateChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--load-limited"), path, QString::number(headroom)});
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
    if (argc == 4 && qstrcmp(argv[1], "--load-limited") == 0)
        return runChild(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toLongLong());
    TestLoadOutOfMemory test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_loadoutofmemory_gl.moc"
