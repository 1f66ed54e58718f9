#include "base/veksettings.h"
#include "mesh/facetreducer.h"
#include "relief/progressmonitor.h"
#include "relief/relief.h"
#include "reliefcoverage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "common/sanitizer.h"

using VekMath::Vector3d;

namespace {

// Stands in for the progress dialog; says cancelled once it has let events
// through cancelAfter times.
class FakeMonitor : public ProgressMonitor
{
public:
    explicit FakeMonitor(int cancelAfter = -1) : cancelAfter(cancelAfter) {}
    void setMaximum(int m) override { maximum = m; }
    void setValue(int v) override { values.append(v); }
    int value() const override { return values.isEmpty() ? 0 : values.last(); }
    void setAutoClose(bool) override {}
    void show() override {}
    void processEvents() override { ++events; }
    bool wasCanceled() const override { return cancelAfter >= 0 && events > cancelAfter; }

    int cancelAfter;
    int maximum = -1;
    int events = 0;
    QVector<int> values;
};

QString tempFolder()
{
    return QDir(VekSettings::homeDir()).filePath("tmp_" + QString::number(QCoreApplication::applicationPid(), 16));
}

// Nothing of the reduction's temporary files may outlive it.
bool leftovers()
{
    return !QDir(VekSettings::homeDir()).entryList({"tmp_*", "stltmp*"}).isEmpty() || QFileInfo::exists(tempFolder());
}

void fill(Relief& relief, int x1, int y1, float h)
{
    for (int y = 0; y < y1; ++y)
        std::fill_n(relief.heights() + y * relief.width(), x1, h);
}

// The corners of an export of relief on eight threads, made in a child
// process whose address space may grow by room bytes at most (0: as it
// will). Empty when the child did not end by itself or its export failed.
QVector<double> cornersOfExportIn(const Relief& relief, long long room)
{
    QVector<double> corners;
    int fds[2];
    if (pipe(fds) != 0)
        return corners;
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        long long used = 0;
        if (FILE* status = std::fopen("/proc/self/status", "r")) {
            char line[256];
            while (std::fgets(line, sizeof line, status) && std::sscanf(line, "VmSize: %lld", &used) != 1) {
            }
            std::fclose(status);
        }
        const rlimit limit{rlim_t(used * 1024 + room), rlim_t(used * 1024 + room)};
        if (room > 0)
            setrlimit(RLIMIT_AS, &limit);
        FacetReducer reducer;
        reducer.setThreadCount(8);
        bool ok = false;
        FacetShape shape;
        // Nothing thrown may reach the test's own code in this copy of it.
        try {
            shape = reducer.reduceRelief(relief, nullptr, 0.001, 0, &ok);
        } catch (...) {
            _exit(2);
        }
        for (int i = 0; ok && i < shape.facetCount(); ++i)
            for (const Vector3d& c : shape.facets()[i].corners) {
                const double xyz[3] = {c.x, c.y, c.z};
                if (write(fds[1], xyz, sizeof xyz) != ssize_t(sizeof xyz))
                    _exit(1);
            }
        _exit(ok ? 0 : 1);
    }
    close(fds[1]);
    double xyz[3];
    while (child > 0 && read(fds[0], xyz, sizeof xyz) == ssize_t(sizeof xyz))
        corners << xyz[0] << xyz[1] << xyz[2];
    close(fds[0]);
    int status = -1;
    if (child <= 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        corners.clear();
    return corners;
}

} // namespace

class TestReliefReduction : public QObject
{
    Q_OBJECT

private slots:
    void stripsOfTenSquareInches_data();
    void stripsOfTenSquareInches();
    void stripIsTheReductionOfItsTriangles();
    void seamsBetweenStripsReduceAway();
    void oneFacetStripIsKept();
    void cancelLeavesNothing_data();
    void cancelLeavesNothing();
    void unwritableStripFailsTheExport_data();
    void unwritableStripFailsTheExport();
    void progressOnWorkersStandsStillUntilTheFirstStripEnds();
    void workersBeyondTheAddressSpaceLimitFailTheExport();
};

void TestReliefReduction::stripsOfTenSquareInches_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("strips");
    QTest::newRow("last strip empty") << 2048 << 161 << 3;
    QTest::newRow("exact strips") << 2048 << 160 << 2;
    QTest::newRow("one strip") << 300 << 300 << 1;
    QTest::newRow("width 1") << 1 << 5 << 1;
    QTest::newRow("height 1") << 5 << 1 << 1;
    QTest::newRow("narrow and tall") << 1000 << 500 << 4;
}

void TestReliefReduction::stripsOfTenSquareInches()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, strips);
    Relief relief(width, height);
    FakeMonitor monitor;
    bool ok = false;
    QCOMPARE(FacetReducer().reduceRelief(relief, &monitor, 0.001, 0, &ok).facetCount(), 0);
    QVERIFY(ok);
    // The stages after the strips move the bar as far again.
    QCOMPARE(monitor.maximum, strips * 200);
    QCOMPARE(monitor.values.last(), strips * 200);
    QVERIFY(std::is_sorted(monitor.values.begin(), monitor.values.end()));
    QVERIFY(!leftovers());
}

void TestReliefReduction::stripIsTheReductionOfItsTriangles()
{
    // A terraced bowl in one strip, with one unreadable height. The figures
    // pin which edges collapse, and where to: the cells' triangles reduced
    // with the outline held and every face up, parked as single floats,
    // reduced again and centred.
    const int w = 40, h = 30;
    Relief relief(w, h);
    relief.setZScale(1.5);
    for (int y = 0; y < h; ++y)
        for (int x = 5; x < w; ++x)
            relief.heights()[y * w + x] = float(((x - 22) * (x - 22) + (y - 15) * (y - 15)) / 20);
    relief.heights()[3 * w + 20] = std::numeric_limits<float>::quiet_NaN();
    bool ok = false;
    const FacetShape shape = FacetReducer().reduceRelief(relief, nullptr, 0.002, 0, &ok);
    QVERIFY(ok);
    QCOMPARE(shape.facetCount(), 1062);
    double fingerprint = 0;
    for (const Facet& f : shape.facets())
        for (const Vector3d& c : f.corners)
            fingerprint += c.x + 3 * c.y + 7 * c.z;
    QCOMPARE(fingerprint, -1006.6860554609448);
    const ReliefCoverage coverage = coverageOf(relief, shape);
    QCOMPARE(coverage.folded, 0);
    QCOMPARE(coverage.uncovered, 0);
    QCOMPARE(coverage.borderMissing, 0);
}

void TestReliefReduction::seamsBetweenStripsReduceAway()
{
    // A raised plateau with a slope down to the zero cells around it, once
    // in strips of 10 rows, across both seams, and once in a single strip.
    int facets[2] = {0, 0};
    for (int width : {16384, 200}) {
        Relief relief(width, 25);
        relief.setZScale(2.0);
        fill(relief, 64, 25, 10.0f);
        bool ok = false;
        const FacetShape shape = FacetReducer().reduceRelief(relief, nullptr, -1, 0, &ok);
        QVERIFY(ok);
        QCOMPARE(shape.boundsMin(), Vector3d(-32.0 / 128, -12.0 / 128, -10.0 / 128));
        QCOMPARE(shape.boundsMax(), Vector3d(32.0 / 128, 12.0 / 128, 10.0 / 128));
        double area = 0;
        for (const Facet& f : shape.facets())
            area += Vector3d::cross(f.corners[1] - f.corners[0], f.corners[2] - f.corners[0]).z / 2;
        QCOMPARE(area, 64.0 * 24 / (128 * 128));
        facets[width == 200] = shape.facetCount();
    }
    // Two facets per cell before: 64 x 24 cells.
    QVERIFY2(facets[1] < 64 * 24 / 4, qPrintable(QString::number(facets[1])));
    QCOMPARE(facets[0], facets[1]);
    QVERIFY(!leftovers());
}

void TestReliefReduction::oneFacetStripIsKept()
{
    // The corner cell at the right of the first row touches one triangle.
    Relief relief(4, 4);
    relief.heights()[3] = 5.0f;
    bool ok = false;
    QCOMPARE(FacetReducer().reduceRelief(relief, nullptr, 0.001, 0, &ok).facetCount(), 1);
    QVERIFY(ok);
}

void TestReliefReduction::cancelLeavesNothing_data()
{
    QTest::addColumn<int>("threads");
    QTest::newRow("this thread") << 1;
    QTest::newRow("workers") << 3;
}

void TestReliefReduction::cancelLeavesNothing()
{
    QFETCH(int, threads);
    Relief relief(600, 600);
    fill(relief, 590, 590, 3.0f);
    FakeMonitor monitor(1);
    bool ok = false;
    FacetReducer reducer;
    reducer.setThreadCount(threads);
    QCOMPARE(reducer.reduceRelief(relief, &monitor, 0.001, 0, &ok).facetCount(), 0);
    QVERIFY(monitor.wasCanceled());
    QVERIFY(ok);
    // Stopped between strips: the first one of three was done.
    QVERIFY(monitor.values.last() <= 100);
    QVERIFY(!leftovers());
}

void TestReliefReduction::unwritableStripFailsTheExport_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("threads");
    QTest::newRow("one strip") << 20 << 0;
    QTest::newRow("strips in this thread") << 16384 << 1;
    QTest::newRow("strips on workers") << 16384 << 4;
}

void TestReliefReduction::unwritableStripFailsTheExport()
{
    QFETCH(int, width);
    QFETCH(int, threads);
    // A file where the temporary folder belongs: no strip can be parked.
    QFile blocker(tempFolder());
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    Relief relief(width, 40);
    fill(relief, 20, 40, 1.0f);
    bool ok = true;
    FacetReducer reducer;
    reducer.setThreadCount(threads);
    QCOMPARE(reducer.reduceRelief(relief, nullptr, 0.001, 0, &ok).facetCount(), 0);
    QVERIFY(!ok);
    QVERIFY(QFile::remove(tempFolder()));
    QVERIFY(!leftovers());
}

void TestReliefReduction::progressOnWorkersStandsStillUntilTheFirstStripEnds()
{
    // Five strips of ten rows; the first is all zero but for the row it
    // shares, so the workers take it last.
    const int w = 16384, h = 50;
    Relief relief(w, h);
    for (int y = 10; y < h; ++y)
        for (int x = 0; x < w; ++x)
            relief.heights()[y * w + x] = float(4 + 3 * std::sin(x * 0.05) * std::cos(y * 0.7));
    // Whether the first strip was parked yet when each value was shown.
    struct Monitor : FakeMonitor
    {
        void setValue(int v) override
        {
            FakeMonitor::setValue(v);
            firstParked.append(QFile::exists(tempFolder() + "/stltmp0"));
        }
        QVector<bool> firstParked;
    } monitor;
    FacetReducer reducer;
    reducer.setThreadCount(2);
    bool ok = false;
    QVERIFY(reducer.reduceRelief(relief, &monitor, 0.001, 0, &ok).facetCount() > 0);
    QVERIFY(ok);
    QVERIFY(std::is_sorted(monitor.values.begin(), monitor.values.end()));
    QCOMPARE(monitor.values.last(), monitor.maximum);
    bool movedEarly = false;
    for (int i = 0; i < monitor.values.size(); ++i)
        movedEarly = movedEarly || (monitor.values[i] > 0 && monitor.values[i] < 500 && !monitor.firstParked[i]);
    QVERIFY2(movedEarly, qPrintable(QString::number(monitor.values.size())));
}

void TestReliefReduction::workersBeyondTheAddressSpaceLimitFailTheExport()
{
#ifdef MORVANE_ASAN
    QSKIP("the sanitizer's shadow memory does not fit under an address-space limit");
#endif
    // Five strips of a dome with ripples; room for one strip's reducer at
    // a time, not for five.
    const int w = 2048, h = 330;
    Relief relief(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double u = (x - w / 2.0) / (w / 2.0), v = (y - h / 2.0) / (h / 2.0);
            const double r = std::sqrt(u * u + v * v);
            relief.heights()[y * w + x] = r < 0.95 ? float(30 * std::cos(r * 1.6) + 4 * std::sin(x * 0.05) * std::sin(y * 0.04)) : 0.0f;
        }
    const QVector<double> expected = cornersOfExportIn(relief, 0);
    QVERIFY(expected.size() > 1000);
    QCOMPARE(cornersOfExportIn(relief, 200LL << 20), expected);
}

QTEST_GUILESS_MAIN(TestReliefReduction)
#include "tst_reliefreduction.moc"
