#include "files/filesizelimit.h"
#include "files/refusingdevice.h"
#include "files/workspacefile.h"
#include "relief/relief.h"

#include <QBuffer>
#include <QDataStream>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

std::unique_ptr<Relief> sampleRelief()
{
    auto relief = std::make_unique<Relief>(2, 1);
    relief->heights()[0] = 1.5f;
    relief->heights()[1] = -2.0f;
    relief->referenceHeights()[0] = 0.25f;
    relief->referenceHeights()[1] = 7.0f;
    relief->setZScale(2.5);
    relief->setHeightMin(-2.0);
    relief->setHeightMax(1.5);
    return relief;
}

QByteArray written(const Relief& relief)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    return WorkspaceFile::write(buffer, relief).ok() ? buffer.data() : QByteArray();
}

// A header for a file of 32 zero bytes of cells.
QByteArray file(qint32 magic, qint32 version, qint32 w, qint32 h)
{
    QByteArray bytes;
    QDataStream(&bytes, QIODevice::WriteOnly) << magic << version << w << h << 1.0 << 0.0 << 0.0;
    return bytes + QByteArray(32, '\0');
}

// A workspace of one row of cells with the given Z scale and heights, the
// reference heights the same.
QByteArray row(double zScale, const QVector<double>& heights)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << WorkspaceFile::kMagic << WorkspaceFile::kVersion << qint32(heights.size()) << qint32(1) << zScale << 0.0
        << 0.0;
    for (int grid = 0; grid < 2; ++grid)
        for (double h : heights)
            out << h;
    return bytes;
}

} // namespace

class TestWorkspaceFile : public QObject
{
    Q_OBJECT

private slots:
    void byteLayoutOfATwoCellRelief();
    void roundTripKeepsEveryHeightExactly();
    void badFilesFailWithTheirTitle_data();
    void badFilesFailWithTheirTitle();
    void failedSaveKeepsThePreviousWorkspace();
    void refusedWriteIsAFailure_data();
    void refusedWriteIsAFailure();
    void nonFiniteValueIsRefusedBeforeWriting_data();
    void nonFiniteValueIsRefusedBeforeWriting();
};

void TestWorkspaceFile::byteLayoutOfATwoCellRelief()
{
    QCOMPARE(written(*sampleRelief()).toHex(), QByteArray("516c4d76" "00000001" "00000002" "00000001"
                                                          "4004000000000000" "c000000000000000" "3ff8000000000000"
                                                          "3ff8000000000000" "c000000000000000"
                                                          "3fd0000000000000" "401c000000000000"));
}

void TestWorkspaceFile::roundTripKeepsEveryHeightExactly()
{
    const float kept[6] = {0.1f, -0.0f, std::numeric_limits<float>::denorm_min(), std::numeric_limits<float>::max(),
                           -1e-30f, 123456.789f};
    Relief relief(3, 2);
    std::copy(kept, kept + 6, relief.heights());
    std::reverse_copy(kept, kept + 6, relief.referenceHeights());
    relief.setZScale(0.3);
    relief.setHeightMin(-17.25);
    relief.setHeightMax(1e-7);
    QTemporaryDir dir;
    const QString path = dir.filePath("work.scp");
    QCOMPARE(WorkspaceFile::save(path, relief).code(), FileResult::Ok);
    QCOMPARE(QFile(path).size(), qint64(40 + 16 * 6));
    std::unique_ptr<Relief> loaded;
    QCOMPARE(WorkspaceFile::load(path, loaded).code(), FileResult::Ok);
    QCOMPARE(QSize(loaded->width(), loaded->height()), QSize(3, 2));
    QCOMPARE(loaded->zScale(), 0.3);
    QCOMPARE(loaded->heightMin(), -17.25);
    QCOMPARE(loaded->heightMax(), 1e-7);
    QVERIFY(std::memcmp(loaded->heights(), relief.heights(), sizeof kept) == 0);
    QVERIFY(std::memcmp(loaded->referenceHeights(), relief.referenceHeights(), sizeof kept) == 0);
}

void TestWorkspaceFile::badFilesFailWithTheirTitle_data()
{
    const QByteArray good = written(*sampleRelief());
    const qint32 magic = WorkspaceFile::kMagic;
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("title");
    QTest::newRow("complete") << good << QString();
    QTest::newRow("version 0 is read") << file(magic, 0, 2, 1) << QString();
    QTest::newRow("version 2") << file(magic, 2, 2, 1) << "Invalid File";
    QTest::newRow("wrong magic") << file(0x516C4D77, 1, 2, 1) << "Invalid File";
    QTest::newRow("ends inside the magic") << good.left(3) << "Invalid File";
    QTest::newRow("ends inside the version") << good.left(6) << "Invalid File";
    QTest::newRow("ends inside the size") << good.left(10) << "Load Failed";
    QTest::newRow("ends inside the reference heights") << good.left(68) << "Load Failed";
    QTest::newRow("negative size") << file(magic, 1, -2, -1) << "Load Failed";
    QTest::newRow("zero width") << file(magic, 1, 0, 5) << "Load Failed";
    QTest::newRow("larger than the file") << file(magic, 1, 65536, 65536) << "Load Failed";
    QTest::newRow("overflowing size") << file(magic, 1, 0x7FFFFFFF, 0x7FFFFFFF) << "Load Failed";
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("finite values") << row(50.0, {1.0, -3e38}) << QString();
    QTest::newRow("height not a number") << row(1.0, {1.0, nan}) << "Load Failed";
    QTest::newRow("infinite height") << row(1.0, {-inf, 1.0}) << "Load Failed";
    QTest::newRow("height beyond a float") << row(1.0, {1e300, 1.0}) << "Load Failed";
    QTest::newRow("z scale not a number") << row(nan, {1.0, 2.0}) << "Load Failed";
    QTest::newRow("infinite z scale") << row(inf, {1.0, 2.0}) << "Load Failed";
}

void TestWorkspaceFile::badFilesFailWithTheirTitle()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, title);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    auto kept = std::make_unique<Relief>(1, 1);
    Relief* before = kept.get();
    const FileResult result = WorkspaceFile::read(buffer, kept);
    QCOMPARE(result.title(), title);
    // A failure keeps the model it was given.
    QCOMPARE(kept.get() == before, !title.isEmpty());
    QVERIFY(title.isEmpty() || result.text().startsWith("Error! File"));
}

void TestWorkspaceFile::failedSaveKeepsThePreviousWorkspace()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("work.scp");
    QCOMPARE(WorkspaceFile::save(path, *sampleRelief()).code(), FileResult::Ok);

    // A file-size limit makes the large save fail part-way, as a full disk would.
    FileResult result;
    {
        FileSizeLimit limit(4096);
        result = WorkspaceFile::save(path, Relief(100, 100));
    }
    QCOMPARE(result.code(), FileResult::SaveFailed);
    std::unique_ptr<Relief> loaded;
    QCOMPARE(WorkspaceFile::load(path, loaded).code(), FileResult::Ok);
    QCOMPARE(loaded->heights()[1], -2.0f);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"work.scp"});

    // A file that cannot be opened for saving says so; one that is not there
    // cannot be opened for loading.
    const FileResult unopenable = WorkspaceFile::save(dir.filePath("missing/work.scp"), *sampleRelief());
    QCOMPARE(unopenable.title(), QStringLiteral("Save Failed"));
    QCOMPARE(unopenable.text(), QStringLiteral("Error! File I/O Error"));
    QCOMPARE(WorkspaceFile::load(dir.filePath("absent.scp"), loaded).title(), QStringLiteral("Open Failed"));
}

void TestWorkspaceFile::refusedWriteIsAFailure_data()
{
    QTest::addColumn<int>("room");
    QTest::addColumn<bool>("ok");
    QTest::newRow("nothing") << 0 << false;
    QTest::newRow("the magic") << 4 << false;
    QTest::newRow("the header") << 40 << false;
    QTest::newRow("all but the last height") << 64 << false;
    QTest::newRow("everything") << 72 << true;
}

void TestWorkspaceFile::refusedWriteIsAFailure()
{
    QFETCH(int, room);
    QFETCH(bool, ok);
    RefusingDevice device(room);
    QCOMPARE(WorkspaceFile::write(device, *sampleRelief()).ok(), ok);
}

// The reader refuses such a workspace, so it must never be written.
void TestWorkspaceFile::nonFiniteValueIsRefusedBeforeWriting_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<double>("value");
    const double infinity = std::numeric_limits<double>::infinity();
    const double notANumber = std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("infinite height") << "height" << infinity;
    QTest::newRow("height not a number") << "height" << notANumber;
    QTest::newRow("infinite reference height") << "reference" << -infinity;
    QTest::newRow("Z scale not a number") << "zScale" << notANumber;
}

void TestWorkspaceFile::nonFiniteValueIsRefusedBeforeWriting()
{
    QFETCH(QString, where);
    QFETCH(double, value);
    QTemporaryDir dir;
    const QString path = dir.filePath("work.scp");
    QCOMPARE(WorkspaceFile::save(path, *sampleRelief()).code(), FileResult::Ok);
    const QByteArray before = written(*sampleRelief());

    auto relief = sampleRelief();
    if (where == "height")
        relief->heights()[1] = float(value);
    else if (where == "reference")
        relief->referenceHeights()[0] = float(value);
    else
        relief->setZScale(value);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QCOMPARE(WorkspaceFile::write(buffer, *relief).code(), FileResult::SaveFailed);
    QCOMPARE(buffer.data(), QByteArray());
    QCOMPARE(WorkspaceFile::save(path, *relief).code(), FileResult::SaveFailed);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll().toHex(), before.toHex());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"work.scp"});
}

QTEST_GUILESS_MAIN(TestWorkspaceFile)
#include "tst_workspacefile.moc"
