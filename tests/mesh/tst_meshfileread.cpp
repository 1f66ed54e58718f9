#include "base/logfile.h"
#include "mesh/facetshape.h"
#include "mesh/meshfileread.h"
#include "relief/progressmonitor.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <new>
#include <thread>

namespace {

QString logText()
{
    LogFile::flush();
    QFile file(LogFile::filePath());
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll());
}

// A monitor that cancels once the read stands at cancelAt steps or more
// and ready, when given, is set, at its wait-th look after that, and times
// what follows; or that throws std::bad_alloc from show() or setValue().
class TestMonitor : public ProgressMonitor
{
public:
    enum Fault { None, Show, SetValue };

    void setMaximum(int) override {}
    void setValue(int v) override
    {
        if (fault == SetValue)
            throw std::bad_alloc();
        shown = v;
    }
    int value() const override { return shown; }
    void setAutoClose(bool) override {}
    void show() override
    {
        if (fault == Show)
            throw std::bad_alloc();
    }
    void processEvents() override
    {
        if (!cancelled && shown >= cancelAt && (!ready || *ready) && looks++ >= wait) {
            cancelled = true;
            sinceCancel.start();
        }
    }
    bool wasCanceled() const override { return cancelled; }

    Fault fault = None;
    int cancelAt = 1000;
    int wait = 0;
    int shown = 0;
    int looks = 0;
    const std::atomic<bool>* ready = nullptr;
    std::atomic<bool> cancelled{false};
    QElapsedTimer sinceCancel;
};

// An OBJ text of a grid of quads: a second or so of reading, most of it
// splitting the quads.
QByteArray quadGrid()
{
    const int n = 700;
    QByteArray text;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            text += "v " + QByteArray::number(x) + " " + QByteArray::number(y) + " " + QByteArray::number((x * y) % 7) + "\n";
    for (int y = 0; y + 1 < n; ++y)
        for (int x = 0; x + 1 < n; ++x) {
            const int i = y * n + x + 1;
            text += "f " + QByteArray::number(i) + " " + QByteArray::number(i + 1) + " " + QByteArray::number(i + n + 1)
                  + " " + QByteArray::number(i + n) + "\n";
        }
    return text;
}

} // namespace

class TestMeshFileRead : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cancelEndsTheReadAtOnceAndSilently_data();
    void cancelEndsTheReadAtOnceAndSilently();
    void failingMonitorStopsTheReadAndFails_data();
    void failingMonitorStopsTheReadAndFails();

private:
    QTemporaryDir dir;
    QByteArray text;
    QString path;
    qint64 wholeRead = 0;
};

void TestMeshFileRead::initTestCase()
{
    QVERIFY(dir.isValid());
    text = quadGrid();
    path = dir.filePath("quads.obj");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
    file.close();
    TestMonitor monitor;
    std::unique_ptr<FacetShape> mesh;
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(MeshFileRead::read(path, MeshFileRead::Obj, &monitor, nullptr, mesh), MeshFileRead::Read);
    wholeRead = clock.elapsed();
}

void TestMeshFileRead::cancelEndsTheReadAtOnceAndSilently_data()
{
    // Where a pipe holds back the rest of the file until the cancel; -1
    // for the whole file read from disk.
    QTest::addColumn<int>("heldBack");
    // Whether the cancel comes while what showing the mesh takes is made,
    // which here lasts until the cancel or ten seconds.
    QTest::addColumn<bool>("preparing");
    const int face = text.indexOf("\nf ", text.size() / 4 * 3) + 1;
    QTest::newRow("partway, within a line") << face + 5 << false;
    QTest::newRow("partway, at a line's end") << face << false;
    // Past the last step the monitor shows the whole file read; looks later
    // the worker is splitting the faces.
    QTest::newRow("after the last line") << -1 << false;
    QTest::newRow("while the mesh is prepared") << -1 << true;
}

void TestMeshFileRead::cancelEndsTheReadAtOnceAndSilently()
{
    QFETCH(int, heldBack);
    QFETCH(bool, preparing);
    TestMonitor monitor;
    monitor.cancelAt = heldBack >= 0 ? 0 : 999;
    monitor.wait = heldBack >= 0 || preparing ? 0 : 3;
    std::atomic<bool> prepareStarted{false};
    MeshFileRead::Prepare prepare;
    if (preparing) {
        monitor.ready = &prepareStarted;
        prepare = [&prepareStarted](const FacetShape&, const std::atomic<bool>& stop) {
            prepareStarted = true;
            for (int i = 0; i < 2000 && !stop.load(); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        };
    }
    std::unique_ptr<FacetShape> mesh;
    const int before = logText().size();
    MeshFileRead::Outcome outcome;
    if (heldBack >= 0) {
        const QString pipe = dir.filePath(QString("pipe%1.obj").arg(heldBack));
        QCOMPARE(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        // The cancel waits until the reader has taken all but what the
        // pipe holds.
        std::atomic<bool> written{false};
        monitor.ready = &written;
        std::thread writer([&] {
            QFile out(pipe);
            if (!out.open(QIODevice::WriteOnly))
                return;
            out.write(text.left(heldBack));
            out.flush();
            written = true;
            for (int i = 0; i < 2000 && !monitor.cancelled; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        });
        outcome = MeshFileRead::read(pipe, MeshFileRead::Obj, &monitor, nullptr, mesh);
        writer.join();
    } else {
        outcome = MeshFileRead::read(path, MeshFileRead::Obj, &monitor, prepare, mesh);
    }
    const qint64 tail = monitor.sinceCancel.elapsed();
    QCOMPARE(outcome, MeshFileRead::Cancelled);
    QVERIFY(!mesh);
    QVERIFY2(!logText().mid(before).contains("ObjFileReader"), qPrintable(logText().mid(before)));
    QVERIFY2(tail * 4 < wholeRead,
             qPrintable(QStringLiteral("%1 ms after the cancel, of %2 ms for the whole read").arg(tail).arg(wholeRead)));
}

void TestMeshFileRead::failingMonitorStopsTheReadAndFails_data()
{
    QTest::addColumn<int>("fault");
    QTest::newRow("show") << int(TestMonitor::Show);
    QTest::newRow("setValue") << int(TestMonitor::SetValue);
}

void TestMeshFileRead::failingMonitorStopsTheReadAndFails()
{
    QFETCH(int, fault);
    TestMonitor monitor;
    monitor.fault = TestMonitor::Fault(fault);
    std::unique_ptr<FacetShape> mesh;
    QCOMPARE(MeshFileRead::read(path, MeshFileRead::Obj, &monitor, nullptr, mesh), MeshFileRead::Failed);
    QVERIFY(!mesh);
}

QTEST_GUILESS_MAIN(TestMeshFileRead)
#include "tst_meshfileread.moc"
