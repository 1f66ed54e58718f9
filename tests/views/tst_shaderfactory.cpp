#include "glsupport.h"

#include "base/veksettings.h"
#include "views/shader/legacyshader.h"
#include "views/shader/legacyshader2d.h"
#include "views/shader/shaderfactory.h"
#include "views/shader/vboshader.h"
#include "views/shader/vboshader2d.h"

#include <QProcess>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

QString className(Shader* s)
{
    if (!s)
        return "null";
    if (dynamic_cast<VboShader*>(s))
        return "VboShader";
    if (dynamic_cast<VboShader2d*>(s))
        return "VboShader2d";
    if (dynamic_cast<LegacyShader*>(s))
        return "LegacyShader";
    if (dynamic_cast<LegacyShader2d*>(s))
        return "LegacyShader2d";
    return "other";
}

// Child modes: the parent runs this program again to see what the factory
// does in a context it cannot have itself.
int childMain(int argc, char** argv, const char* mode)
{
    setTestSurfaceFormat();
    QApplication app(argc, argv);
    if (std::strcmp(mode, "--no-context") == 0) {
        ShaderFactory::getShader(ShaderFactory::Relief3d);
        std::puts("returned");
        return 0;
    }
    GlCanvas canvas;
    canvas.show();
    canvas.makeCurrent();
    std::unique_ptr<Shader> shader(ShaderFactory::getShader(ShaderFactory::Relief3d));
    std::printf("%s\n", qPrintable(className(shader.get())));
    shader.reset();
    LogFile::flush();
    return 0;
}

// Runs the child to its end; its log is named after its process id.
QString runChild(QProcess& child, const QString& mode)
{
    child.start(QCoreApplication::applicationFilePath(), {mode});
    if (!child.waitForStarted(60000))
        return QString();
    const qint64 pid = child.processId();
    if (!child.waitForFinished(60000))
        return QString();
    QFile file(VekSettings::homeDir() + "/morvane2_" + QString::number(pid, 16) + ".log");
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class TestShaderFactory : public QObject
{
    Q_OBJECT

    GlCanvas canvas;

private slots:
    void initTestCase()
    {
        canvas.show();
        QVERIFY(QTest::qWaitForWindowExposed(&canvas));
    }

    void engineChoice_data()
    {
        QTest::addColumn<bool>("legacySetting");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("lines");

        const QString vbo = "Info: Using VBO based OpenGL 3.3 drawing engine\n";
        const QString fallback = "Info: Fallback shader requested in VekSettings\n"
                                 "Info: Using Legacy OpenGL 2.1 drawing engine\n";
        QTest::newRow("3-D on a new context") << false << 0 << "VboShader" << vbo;
        QTest::newRow("2-D on a new context") << false << 1 << "VboShader2d" << vbo;
        QTest::newRow("unknown type after the engine line") << false << 2 << "null" << vbo;
        QTest::newRow("3-D with the fallback setting") << true << 0 << "LegacyShader"
                                                       << fallback;
        QTest::newRow("2-D with the fallback setting") << true << 1 << "LegacyShader2d"
                                                       << fallback;
        QTest::newRow("unknown type with the fallback setting") << true << 2 << "null"
                                                                << fallback;
    }

    void engineChoice()
    {
        QFETCH(bool, legacySetting);
        QFETCH(int, type);
        QFETCH(QString, expected);
        QFETCH(QString, lines);

        VekSettings().setUseLegacyShader(legacySetting);
        const int logged = logText().size();
        canvas.makeCurrent();
        std::unique_ptr<Shader> shader(
            ShaderFactory::getShader(ShaderFactory::ShaderType(type)));
        QCOMPARE(className(shader.get()), expected);
        shader.reset();
        canvas.doneCurrent();
        // The factory flushes its lines itself.
        QFile file(LogFile::filePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()).mid(logged), lines);
        VekSettings().setUseLegacyShader(false);
    }

    void olderContextGetsTheLegacyEngine()
    {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("MESA_GL_VERSION_OVERRIDE", "3.2COMPAT");
        child.setProcessEnvironment(env);
        const QString log = runChild(child, "--child-report");
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(child.readAllStandardOutput()).trimmed(), "LegacyShader");
        QVERIFY2(log.contains("Info: Using Legacy OpenGL 2.1 drawing engine\n"), qPrintable(log));
        QVERIFY(!log.contains("Fallback shader requested"));
    }

    void noContextEndsTheProgram()
    {
        QProcess child;
        const QString log = runChild(child, "--no-context");
        QVERIFY(child.exitStatus() == QProcess::CrashExit || child.exitCode() != 0);
        QVERIFY(!child.readAllStandardOutput().contains("returned"));
        QVERIFY(child.readAllStandardError().contains("Null OpenGL Context"));
        QVERIFY(log.contains("Info: No Current OpenGL context... Fail\n"
                                         "Info: Got Null OpenGL Version string, can't continue\n"));
    }

    void leadingVersion_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<double>("expected");
        QTest::newRow("three parts") << QByteArray("4.6.0") << 4.6;
        QTest::newRow("vendor text after it") << QByteArray("3.3.0 NVIDIA 390.1") << 3.3;
        QTest::newRow("profile in brackets")
            << QByteArray("3.2 (Compatibility Profile) Mesa 22.3.6") << 3.2;
        QTest::newRow("whole number") << QByteArray("4 something") << 4.0;
        QTest::newRow("no number") << QByteArray("OpenGL ES") << 0.0;
        QTest::newRow("empty") << QByteArray("") << 0.0;
    }

    void leadingVersion()
    {
        QFETCH(QByteArray, text);
        QFETCH(double, expected);
        QCOMPARE(ShaderFactory::leadingVersion(text.constData()), expected);
        QCOMPARE(ShaderFactory::leadingVersion(nullptr), 0.0);
    }
};

int main(int argc, char** argv)
{
    if (argc > 1 && argv[1][0] == '-' && argv[1][1] == '-')
        return childMain(argc, argv, argv[1]);
    setTestSurfaceFormat();
    QApplication app(argc, argv);
    TestShaderFactory test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_shaderfactory.moc"
