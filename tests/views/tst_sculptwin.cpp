#include "glsupport.h"

#include "base/veksettings.h"
#include "relief/relief.h"
#include "views/sculptwin.h"
#include "views/shader/shader.h"
#include "views/viewgeometry.h"

#include <QProcess>

#include <cmath>
#include <cstdio>
#include <memory>

using VekMath::Vector3d;

Q_DECLARE_METATYPE(Vector3d)

namespace {

// Opens the drawing state that the input handling would set.
class ProbeWin : public SculptWin
{
public:
    using SculptWin::nav;
    using SculptWin::trackball;
};

std::unique_ptr<Relief> flatRelief(int w, int h, float height)
{
    auto relief = std::make_unique<Relief>(w, h);
    for (size_t i = 0; i < relief->cellCount(); ++i)
        relief->heights()[i] = height;
    return relief;
}

// A shown 400 x 300 view with its relief, on the engine asked for.
struct Scene
{
    std::unique_ptr<Relief> relief;
    std::unique_ptr<ProbeWin> view;

    Scene(bool legacy, float height)
    {
        VekSettings().setUseLegacyShader(legacy);
        relief = flatRelief(64, 64, height);
        view = std::make_unique<ProbeWin>();
        view->resize(400, 300);
        view->setRelief(relief.get(), false);
        view->show();
        if (!QTest::qWaitForWindowExposed(view.get()))
            qWarning("view not exposed");
        view->setAmbientMaterial(QColor(0, 0, 0));
        view->setDiffuseMaterial(QColor(102, 76, 51));
        view->setSpecularMaterial(QColor(0, 0, 0));
        view->setShowToolOutline(false);
        view->setLightPosition(0);
        view->fitToView();
        VekSettings().setUseLegacyShader(false);
    }
    ~Scene() { view.reset(); }

    QColor at(const QImage& image, int x, int y) const { return image.pixelColor(x, y); }
};

bool isCheckerboard(const QColor& c)
{
    return near(c, 128, 128, 128) || near(c, 102, 102, 102);
}

int dprChild(int argc, char** argv)
{
    setTestSurfaceFormat();
    QApplication app(argc, argv);
    Scene scene(false, 5.0f);
    scene.view->grabFramebuffer();
    scene.view->readDepthBuffer();
    // The relief spans 256 x 256 logical pixels round the centre.
    const struct { QPoint p; bool hit; double x, y; } probes[] = {
        {QPoint(200, 150), true, 0.0, -0.25}, {QPoint(300, 100), true, 25.0, 12.25},
        {QPoint(390, 290), false, 0, 0}};
    for (const auto& probe : probes) {
        bool hit = false;
        const Vector3d p = scene.view->pickPoint(probe.p, &hit);
        if (hit != probe.hit || (hit && (std::fabs(p.x - probe.x) > 0.3
                                         || std::fabs(p.y - probe.y) > 0.3
                                         || std::fabs(p.z - 5.0) > 0.05))) {
            std::printf("pick (%d, %d): hit %d at (%g, %g, %g)\n", probe.p.x(), probe.p.y(), hit,
                        p.x, p.y, p.z);
            return 1;
        }
    }
    std::printf("ratio %g\n", scene.view->devicePixelRatioF());
    return 0;
}

} // namespace

class TestSculptWin : public QObject
{
    Q_OBJECT

private slots:
    void flatReliefColours_data()
    {
        QTest::addColumn<bool>("legacy");
        QTest::addColumn<float>("height");
        QTest::addColumn<QPoint>("probe");
        QTest::addColumn<QColor>("expected");

        for (bool legacy : {false, true}) {
            const QByteArray e = legacy ? "2.1: " : "3.3: ";
            // Diffuse only, the light's z component 1 on an upward normal.
            QTest::newRow(e + "raised surface inside") << legacy << 5.0f << QPoint(200, 150)
                                                       << QColor(102, 76, 51);
            QTest::newRow(e + "raised surface, outside it the background")
                << legacy << 5.0f << QPoint(390, 290) << QColor(0, 0, 0);
            QTest::newRow(e + "surface at zero shows the checkerboard")
                << legacy << 0.0f << QPoint(200, 150) << QColor();
            QTest::newRow(e + "surface at zero, outside it the background")
                << legacy << 0.0f << QPoint(390, 290) << QColor(0, 0, 0);
        }
    }

    void flatReliefColours()
    {
        QFETCH(bool, legacy);
        QFETCH(float, height);
        QFETCH(QPoint, probe);
        QFETCH(QColor, expected);

        Scene scene(legacy, height);
        const int logged = logText().size();
        const QImage image = scene.view->grabFramebuffer();
        const QColor got = scene.at(image, probe.x(), probe.y());
        if (expected.isValid())
            QVERIFY2(near(got, expected.red(), expected.green(), expected.blue()),
                     qPrintable(got.name()));
        else
            QVERIFY2(isCheckerboard(got), qPrintable(got.name()));
        QVERIFY(!logText().mid(logged).contains("OpenGL error"));
    }

    void fitsTheReliefIntoTheView()
    {
        Scene scene(false, 0.0f);
        // 64 cells doubled twice fill 256 of the 300 rows.
        QCOMPARE(scene.view->zoom(), 4.0);
        QCOMPARE(scene.view->pan(), QPoint(0, 1));
    }

    void changedAreaIsRefreshed_data()
    {
        QTest::addColumn<bool>("legacy");
        QTest::newRow("3.3") << false;
        QTest::newRow("2.1") << true;
    }

    void changedAreaIsRefreshed()
    {
        QFETCH(bool, legacy);

        Scene scene(legacy, 0.0f);
        scene.view->grabFramebuffer();
        const int meshed = scene.view->mesh().vertexCount();
        // Raise a 10 x 10 block round the centre cell, as a dab would.
        Relief& r = *scene.relief;
        for (int y = 27; y < 37; ++y)
            for (int x = 27; x < 37; ++x)
                r.heights()[size_t(y) * 64 + x] = 5.0f;
        r.mergeChangedRect(VekMath::Rect2di(27, 27, 10, 10));
        QVERIFY(!r.remesh());
        const QImage image = scene.view->grabFramebuffer();
        QCOMPARE(scene.view->mesh().vertexCount(), meshed);
        QVERIFY(near(scene.at(image, 200, 150), 102, 76, 51));
        QVERIFY(isCheckerboard(scene.at(image, 120, 60)));
        QVERIFY(r.changedRect().isEmpty());
        QVERIFY(!r.changed());
    }

    void changesMadeWhileHiddenAreShown()
    {
        Scene scene(false, 0.0f);
        scene.view->grabFramebuffer();
        scene.view->hide();
        Relief& r = *scene.relief;
        for (int y = 27; y < 37; ++y)
            for (int x = 27; x < 37; ++x)
                r.heights()[size_t(y) * 64 + x] = 5.0f;
        r.mergeChangedRect(VekMath::Rect2di(27, 27, 10, 10));
        // Another view of the same relief drew the change and cleared it.
        r.resetChangedRect();
        scene.view->show();
        QVERIFY(QTest::qWaitForWindowExposed(scene.view.get()));
        const QImage image = scene.view->grabFramebuffer();
        QVERIFY(near(scene.at(image, 200, 150), 102, 76, 51));
    }

    void picksTheSurface()
    {
        Scene scene(false, 5.0f);
        scene.view->setZScale(2.0);
        scene.view->grabFramebuffer();
        scene.view->readDepthBuffer();
        bool hit = false;
        Vector3d p = scene.view->pickPoint(QPoint(200, 150), &hit);
        QVERIFY(hit);
        QVERIFY2(std::fabs(p.z - 10.0) < 0.05, qPrintable(QString::number(p.z)));
        QVERIFY(std::fabs(p.x) < 0.3);
        p = scene.view->pickPoint(QPoint(390, 290), &hit);
        QVERIFY(!hit);
    }

    void tallReliefIsNotClipped()
    {
        // The depth range has to take in the heights as scaled, all of them
        // standing far above 0.
        Scene scene(false, 5.0f);
        scene.view->setZScale(300.0);
        const QImage image = scene.view->grabFramebuffer();
        QVERIFY(near(scene.at(image, 200, 150), 102, 76, 51));
    }

    void viewCubeFaces_data()
    {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QPoint>("pixel");
        QTest::addColumn<int>("face");
        // The cube is 150 pixels in the top-left corner; GL rows go upwards.
        QTest::newRow("centre, top view") << 0 << QPoint(75, 224) << 0;
        QTest::newRow("centre, +y turned to the viewer") << 1 << QPoint(75, 224) << 1;
        QTest::newRow("centre, bottom view") << 3 << QPoint(75, 224) << 3;
        QTest::newRow("corner outside every face") << 0 << QPoint(3, 296) << -1;
    }

    void viewCubeFaces()
    {
        QFETCH(int, orientation);
        QFETCH(QPoint, pixel);
        QFETCH(int, face);

        Scene scene(false, 0.0f);
        scene.view->trackball.setRotation(viewOrientation(orientation));
        scene.view->grabFramebuffer();
        QCOMPARE(scene.view->pickViewCubeFace(pixel), face);
    }

    void toolOutlineDrawsWithoutErrors_data()
    {
        QTest::addColumn<bool>("legacy");
        QTest::addColumn<int>("form");
        QTest::newRow("3.3 round") << false << int(Tool::Round);
        QTest::newRow("3.3 square") << false << int(Tool::Square);
        QTest::newRow("2.1 round") << true << int(Tool::Round);
        QTest::newRow("2.1 square") << true << int(Tool::Square);
    }

    void toolOutlineDrawsWithoutErrors()
    {
        QFETCH(bool, legacy);
        QFETCH(int, form);

        Scene scene(legacy, 5.0f);
        Tool* tool = scene.view->currentTool();
        tool->form = Tool::Form(form);
        tool->size = 0.2;
        tool->aspectRatio = 2.0;
        tool->axisAngle = 30.0;
        scene.view->grabFramebuffer();
        scene.view->readDepthBuffer();
        scene.view->setShowToolOutline(true);
        scene.view->nav.mousePos = QPoint(200, 150);
        const int logged = logText().size();
        const QImage image = scene.view->grabFramebuffer();
        // The translucent red footprint over the surface at its centre.
        const QColor centre = scene.at(image, 200, 150);
        QVERIFY2(centre.red() > 102 + 40 && centre.red() - centre.green() > 26 + 40,
                 qPrintable(centre.name()));
        QVERIFY(!logText().mid(logged).contains("OpenGL error"));
    }

    void depthReadOnAViewNeverShown()
    {
        auto relief = flatRelief(8, 8, 1.0f);
        SculptWin view;
        view.setRelief(relief.get(), true);
        view.setZScale(3.0);
        QCOMPARE(relief->zScale(), 3.0);
        bool hit = true;
        view.pickPoint(QPoint(1, 1), &hit);
        QVERIFY(!hit);
    }

    void deviceScaledFrameBuffer()
    {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_SCALE_FACTOR", "2");
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {"--dpr-child"});
        QVERIFY(child.waitForFinished(60000));
        const QByteArray out = child.readAllStandardOutput();
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                 out.constData());
        QVERIFY2(out.contains("ratio 2"), out.constData());
    }

    void lightPresets_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<Vector3d>("direction");
        // lx = 1.7 y, ly = 1.7 x - 3.4 x y^2 for the preset (x, y).
        QTest::newRow("1: (0.5, 0)") << 1 << Vector3d(0.0, 0.85, 1.0);
        QTest::newRow("2: (0.3, 0.3)") << 2 << Vector3d(0.51, 0.4182, 1.0);
        QTest::newRow("3: (0, 0.5)") << 3 << Vector3d(0.85, 0.0, 1.0);
        QTest::newRow("4: (0, -0.5)") << 4 << Vector3d(-0.85, 0.0, 1.0);
        QTest::newRow("6: (-0.5, 0)") << 6 << Vector3d(0.0, -0.85, 1.0);
        QTest::newRow("7: (-0.3, 0.3)") << 7 << Vector3d(0.51, -0.4182, 1.0);
        QTest::newRow("0 and others: (0.3, -0.3)") << 0 << Vector3d(-0.51, 0.4182, 1.0);
        QTest::newRow("9 as 0") << 9 << Vector3d(-0.51, 0.4182, 1.0);
    }

    void lightPresets()
    {
        QFETCH(int, index);
        QFETCH(Vector3d, direction);
        const Vector3d d = SculptWin::lightDirection(index);
        QVERIFY2(std::fabs(d.x - direction.x) < 1e-12 && std::fabs(d.y - direction.y) < 1e-12
                     && d.z == 1.0,
                 qPrintable(QString("%1 %2").arg(d.x).arg(d.y)));
    }

    void materials()
    {
        Scene scene(false, 0.0f);
        scene.view->setDiffuseMaterial(QColor(10, 20, 30, 40));
        QCOMPARE(scene.view->diffuseMaterial(), QColor(10, 20, 30, 40));
        scene.view->setMaterialShinyness(12.5);
        QCOMPARE(scene.view->materialShinyness(), 12.5);
        scene.view->setLightPosition(3);
        QCOMPARE(scene.view->currentShader()->lightPosition[0], 0.85f);
        QCOMPARE(scene.view->lightPosition(), 3);

        SculptWin unshown;
        QVERIFY(!unshown.ambientMaterial().isValid());
        QCOMPARE(unshown.materialShinyness(), 0.0);
    }

    void fitDegenerateBoxes_data()
    {
        QTest::addColumn<Vector3d>("low");
        QTest::addColumn<Vector3d>("high");
        QTest::addColumn<bool>("diagonalToViewer");
        QTest::addColumn<double>("zoom");
        // Seen along its diagonal a cube's two opposite corners meet in one
        // pixel; the other six corners still span it.
        QTest::newRow("cube seen along its diagonal")
            << Vector3d(-50, -50, -50) << Vector3d(50, 50, 50) << true << 1.0;
        // No zoom makes a point fill the view: it is shown at zoom 1.
        QTest::newRow("a single point") << Vector3d(1, 2, 3) << Vector3d(1, 2, 3) << false
                                        << 1.0;
        QTest::newRow("flat 300 x 300 relief in 400 x 300")
            << Vector3d(-150, -150, 0) << Vector3d(150, 150, 0) << false << 0.5;
    }

    void fitDegenerateBoxes()
    {
        QFETCH(Vector3d, low);
        QFETCH(Vector3d, high);
        QFETCH(bool, diagonalToViewer);
        QFETCH(double, zoom);

        Trackball ball;
        if (diagonalToViewer)
            ball.setRotation(
                Vector3d::rotationTo(Vector3d(1, 1, 1).normalized(), Vector3d(0, 0, 1)));
        const ViewGeometry::Fit fit =
            ViewGeometry::fitToView(low, high, ball.matrix(), 400, 300);
        QVERIFY(std::isfinite(fit.zoom) && fit.zoom > 0.0);
        QCOMPARE(fit.zoom, zoom);
        if (zoom == 0.5)
            QCOMPARE(QPoint(fit.panX, fit.panY), QPoint(0, 1));
    }
};

int main(int argc, char** argv)
{
    if (argc > 1 && QByteArray(argv[1]) == "--dpr-child")
        return dprChild(argc, argv);
    setTestSurfaceFormat();
    QApplication app(argc, argv);
    TestSculptWin test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_sculptwin.moc"
