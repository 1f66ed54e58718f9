#include "files/workspacefile.h"
#include "relief/relief.h"

#include <QBuffer>
#include <QDataStream>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <cstring>
#include <limits>
#include <sys/resource.h>

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

QByteArray fileHeader(qint32 magic, qint32 version, qint32 w, qint32 h)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << magic << version << w << h << 1.0 << 0.0 << 0.0;
    return bytes;
}

FileResult readBytes(QByteArray bytes, std::unique_ptr<Relief>& relief)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return WorkspaceFile::read(buffer, relief);
}

bool sameBits(const float* a, const float* b, size_t n)
{
    return std::memcmp(a, b, n * sizeof(float)) == 0;
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
    void unopenablePathReportsSaveFailed();
    void failedSaveKeepsThePreviousWorkspace();
};

void TestWorkspaceFile::byteLayoutOfATwoCellRelief()
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QCOMPARE(WorkspaceFile::write(buffer, *sampleRelief()).code(), FileResult::Ok);
    QCOMPARE(bytes.size(), 72);
    QCOMPARE(bytes.toHex(), QByteArray("516c4d76" "00000001" "00000002" "00000001"
                                       "4004000000000000" "c000000000000000" "3ff8000000000000"
                                       "3ff8000000000000" "c000000000000000"
                                       "3fd0000000000000" "401c000000000000"));
}

void TestWorkspaceFile::roundTripKeepsEveryHeightExactly()
{
    const int w = 37, h = 23;
    Relief relief(w, h);
    const float specials[] = {0.1f, -0.0f, std::numeric_limits<float>::denorm_min(),
                              std::numeric_limits<float>::max(), -1e-30f, 123456.789f};
    for (int i = 0; i < w * h; ++i) {
        relief.heights()[i] = i < 6 ? specials[i] : float(std::sin(i * 0.37) * 1000.0 / (i + 1));
        relief.referenceHeights()[i] = float(i) / 3.0f;
    }
    relief.setZScale(0.3);
    relief.setHeightMin(-17.25);
    relief.setHeightMax(1e-7);
    QTemporaryDir dir;
    const QString path = dir.filePath("work.scp");
    QCOMPARE(WorkspaceFile::save(path, relief).code(), FileResult::Ok);
    QCOMPARE(QFile(path).size(), qint64(40 + 16 * w * h));

    std::unique_ptr<Relief> loaded;
    QCOMPARE(WorkspaceFile::load(path, loaded).code(), FileResult::Ok);
    QCOMPARE(loaded->width(), w);
    QCOMPARE(loaded->height(), h);
    QCOMPARE(loaded->zScale(), 0.3);
    QCOMPARE(loaded->heightMin(), -17.25);
    QCOMPARE(loaded->heightMax(), 1e-7);
    QVERIFY(sameBits(loaded->heights(), relief.heights(), size_t(w) * h));
    QVERIFY(sameBits(loaded->referenceHeights(), relief.referenceHeights(), size_t(w) * h));
}

void TestWorkspaceFile::badFilesFailWithTheirTitle_data()
{
    QByteArray good;
    {
        QBuffer buffer(&good);
        buffer.open(QIODevice::WriteOnly);
        WorkspaceFile::write(buffer, *sampleRelief());
    }
    const qint32 magic = WorkspaceFile::kMagic;
    const QByteArray cells(32, '\0');
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("title");
    QTest::newRow("complete") << good << QString();
    QTest::newRow("version 0 is read") << fileHeader(magic, 0, 2, 1) + cells << QString();
    QTest::newRow("version 2") << fileHeader(magic, 2, 2, 1) + cells << "Invalid File";
    QTest::newRow("wrong magic") << fileHeader(0x516C4D77, 1, 2, 1) + cells << "Invalid File";
    QTest::newRow("ends inside the magic") << good.left(3) << "Invalid File";
    QTest::newRow("ends inside the version") << good.left(6) << "Invalid File";
    QTest::newRow("ends inside the size") << good.left(10) << "Load Failed";
    QTest::newRow("ends inside the reference heights") << good.left(68) << "Load Failed";
    QTest::newRow("negative size") << fileHeader(magic, 1, -2, -1) + cells << "Load Failed";
    QTest::newRow("zero width") << fileHeader(magic, 1, 0, 5) + cells << "Load Failed";
    QTest::newRow("larger than the file") << fileHeader(magic, 1, 65536, 65536) + cells << "Load Failed";
    QTest::newRow("overflowing size") << fileHeader(magic, 1, 0x7FFFFFFF, 0x7FFFFFFF) + cells << "Load Failed";
}

void TestWorkspaceFile::badFilesFailWithTheirTitle()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, title);
    auto kept = std::make_unique<Relief>(1, 1);
    Relief* before = kept.get();
    const FileResult result = readBytes(file, kept);
    QCOMPARE(result.title(), title);
    QCOMPARE(kept.get() == before, !title.isEmpty());
    if (!title.isEmpty())
        QVERIFY(result.text().startsWith("Error! File"));
}

void TestWorkspaceFile::unopenablePathReportsSaveFailed()
{
    QTemporaryDir dir;
    const FileResult saved = WorkspaceFile::save(dir.filePath("missing/work.scp"), *sampleRelief());
    QCOMPARE(saved.title(), QStringLiteral("Save Failed"));
    QCOMPARE(saved.text(), QStringLiteral("Error! File I/O Error"));
    std::unique_ptr<Relief> loaded;
    QCOMPARE(WorkspaceFile::load(dir.filePath("absent.scp"), loaded).title(), QStringLiteral("Open Failed"));
}

void TestWorkspaceFile::failedSaveKeepsThePreviousWorkspace()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("work.scp");
    QCOMPARE(WorkspaceFile::save(path, *sampleRelief()).code(), FileResult::Ok);

    // A file-size limit makes the large save fail part-way, as a full disk would.
    rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit tight = old;
    tight.rlim_cur = 4096;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &tight);
    const FileResult result = WorkspaceFile::save(path, Relief(100, 100));
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    QCOMPARE(result.code(), FileResult::SaveFailed);
    std::unique_ptr<Relief> loaded;
    QCOMPARE(WorkspaceFile::load(path, loaded).code(), FileResult::Ok);
    QCOMPARE(loaded->width(), 2);
    QCOMPARE(loaded->heights()[1], -2.0f);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"work.scp"});
}

QTEST_GUILESS_MAIN(TestWorkspaceFile)
#include "tst_workspacefile.moc"
