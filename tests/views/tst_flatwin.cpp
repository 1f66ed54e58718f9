#include "glsupport.h"

#include "base/veksettings.h"
#include "relief/relief.h"
#include "relief/sculptundo.h"
#include "relief/selectionshape.h"
#include "views/cursors.h"
#include "views/flatwin.h"

#include <QMouseEvent>
#include <QSignalSpy>
#include <QWheelEvent>

#include <cmath>
#include <memory>

using VekMath::Rect2d;

Q_DECLARE_METATYPE(Rect2d)

namespace {

class ProbeWin : public FlatWin
{
public:
    using FlatWin::toolCursor;
    int paints = 0;

protected:
    void paintGL() override
    {
        ++paints;
        FlatWin::paintGL();
    }
};

// A shown 400 x 300 view of a 64 x 64 relief, zero but for a plateau of
// height 5 over cells 20..39 both ways; 4 pixels a cell once fitted.
struct Scene
{
    std::unique_ptr<Relief> relief = std::make_unique<Relief>(64, 64);
    SculptUndo undo;
    ProbeWin view;

    explicit Scene(Tool::Type type, bool legacy = false)
    {
        VekSettings().setUseLegacyShader(legacy);
        for (int y = 20; y < 40; ++y)
            for (int x = 20; x < 40; ++x)
                relief->heights()[size_t(y) * 64 + x] = 5.0f;
        view.resize(400, 300);
        view.setRelief(relief.get(), true);
        view.setUndo(&undo);
        view.setTool(type);
        view.show();
        if (!QTest::qWaitForWindowExposed(&view))
            qWarning("view not exposed");
        view.grabFramebuffer();
        VekSettings().setUseLegacyShader(false);
    }

    // The widget pixel over the centre of cell (x, y).
    QPoint pixel(double x, double y) const
    {
        const double z = view.zoom();
        return QPoint(int(std::lround(200 + view.pan().x() + z * (x + 0.5 - 32))),
                      int(std::lround(149 + view.pan().y() - z * (y + 0.5 - 32))));
    }

    void mouse(QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons held,
               Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QMouseEvent e(type, QPointF(p), QPointF(view.mapToGlobal(p)), button, held, mods);
        QApplication::sendEvent(&view, &e);
    }
    void click(QPoint p, Qt::MouseButton button = Qt::LeftButton,
               Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        mouse(QEvent::MouseButtonPress, p, button, button, mods);
        mouse(QEvent::MouseButtonRelease, p, button, Qt::NoButton, mods);
    }
    // A left drag in one-pixel steps, as a slow hand makes it.
    void drag(QPoint from, QPoint to, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton, mods);
        QPoint p = from;
        while (p != to) {
            p += QPoint(qBound(-1, to.x() - p.x(), 1), qBound(-1, to.y() - p.y(), 1));
            mouse(QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton, mods);
        }
        mouse(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton, mods);
    }
    void wheel(QPoint delta, Qt::KeyboardModifiers mods)
    {
        const QPointF at(200, 150);
        QWheelEvent e(at, view.mapToGlobal(at.toPoint()), QPoint(), delta, Qt::NoButton, mods,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(&view, &e);
    }

    float height(int x, int y) const { return relief->heights()[size_t(y) * 64 + x]; }
    bool selected(int x, int y) const { return relief->selectionAt(x, y) != 0.0; }
};

using Cells = QVector<QPoint>;

bool isCheckerboard(const QColor& c)
{
    return near(c, 128, 128, 128) || near(c, 102, 102, 102);
}

} // namespace

class TestFlatWin : public QObject
{
    Q_OBJECT

private slots:
    void selectionsThroughTheMouse_data()
    {
        QTest::addColumn<int>("tool");
        QTest::addColumn<int>("mods");
        QTest::addColumn<bool>("preselect");
        QTest::addColumn<QString>("gesture");
        QTest::addColumn<Cells>("points");
        QTest::addColumn<Cells>("in");
        QTest::addColumn<Cells>("out");

        const int none = Qt::NoModifier;
        const Cells triangle{{10, 10}, {50, 10}, {30, 50}};
        QTest::newRow("rectangle drag") << int(Tool::Rectangle) << none << false << "drag"
                                        << Cells{{10, 10}, {30, 40}}
                                        << Cells{{11, 11}, {20, 25}} << Cells{{40, 25}, {20, 50}};
        QTest::newRow("ellipse drag") << int(Tool::Elliptical) << none << false << "drag"
                                      << Cells{{10, 10}, {50, 40}}
                                      << Cells{{30, 25}, {45, 25}} << Cells{{12, 12}, {48, 38}};
        QTest::newRow("three-point polygon closed by a double click")
            << int(Tool::Polygon) << none << false << "double" << triangle
            << Cells{{30, 20}, {30, 40}} << Cells{{12, 45}, {48, 45}};
        QTest::newRow("polygon closed by a right click")
            << int(Tool::Polygon) << none << false << "right" << triangle
            << Cells{{30, 20}, {30, 40}} << Cells{{12, 45}, {48, 45}};
        QTest::newRow("two points and a right click leave it open")
            << int(Tool::Polygon) << none << false << "right" << Cells{{10, 10}, {50, 10}}
            << Cells{} << Cells{{30, 10}, {30, 11}};
        QTest::newRow("magic click takes the plateau") << int(Tool::Magic) << none << false
                                                      << "clicks" << Cells{{30, 30}}
                                                      << Cells{{20, 20}, {39, 39}}
                                                      << Cells{{5, 5}, {19, 30}};
        QTest::newRow("Ctrl adds") << int(Tool::Rectangle) << int(Qt::ControlModifier) << true
                                   << "drag" << Cells{{10, 10}, {30, 40}}
                                   << Cells{{2, 2}, {20, 25}} << Cells{{40, 25}};
        QTest::newRow("Alt subtracts") << int(Tool::Rectangle) << int(Qt::AltModifier) << true
                                       << "drag" << Cells{{1, 1}, {3, 3}}
                                       << Cells{{1, 1}, {5, 5}} << Cells{{2, 2}, {4, 4}};
        QTest::newRow("a plain drag replaces") << int(Tool::Rectangle) << none << true << "drag"
                                               << Cells{{10, 10}, {30, 40}}
                                               << Cells{{20, 25}} << Cells{{2, 2}};
    }

    void selectionsThroughTheMouse()
    {
        QFETCH(int, tool);
        QFETCH(int, mods);
        QFETCH(bool, preselect);
        QFETCH(QString, gesture);
        QFETCH(Cells, points);
        QFETCH(Cells, in);
        QFETCH(Cells, out);

        Scene scene{Tool::Type(tool)};
        if (preselect)
            scene.relief->selectRectangle(Rect2d(0, 0, 5, 5), SelectionMode::Normal);
        const auto m = Qt::KeyboardModifiers(mods);
        if (gesture == "drag") {
            scene.drag(scene.pixel(points[0].x(), points[0].y()),
                       scene.pixel(points[1].x(), points[1].y()), m);
        } else {
            for (const QPoint& c : points)
                scene.click(scene.pixel(c.x(), c.y()), Qt::LeftButton, m);
            const QPoint last = scene.pixel(points.last().x(), points.last().y());
            if (gesture == "double") {
                scene.mouse(QEvent::MouseButtonDblClick, last, Qt::LeftButton, Qt::LeftButton);
                scene.mouse(QEvent::MouseButtonRelease, last, Qt::LeftButton, Qt::NoButton);
            } else if (gesture == "right") {
                scene.click(QPoint(5, 5), Qt::RightButton);
            }
        }
        for (const QPoint& c : in)
            QVERIFY2(scene.selected(c.x(), c.y()), qPrintable(QString("%1,%2").arg(c.x()).arg(c.y())));
        for (const QPoint& c : out)
            QVERIFY2(!scene.selected(c.x(), c.y()), qPrintable(QString("%1,%2").arg(c.x()).arg(c.y())));
        // A finished outline leaves the view; an open polygon stays.
        const bool open = tool == Tool::Polygon && in.isEmpty();
        QCOMPARE(scene.relief->selectionShapes().size(), size_t(open ? 1 : 0));
        if (open)
            return;
        // The view shows the new selection tinted red at once.
        const QImage image = scene.view.grabFramebuffer();
        QVERIFY(image.pixelColor(scene.pixel(in[0].x(), in[0].y())).red() > 160);
        QVERIFY(image.pixelColor(scene.pixel(out[0].x(), out[0].y())).red() < 140);
    }

    void cropHandles_data()
    {
        QTest::addColumn<Cells>("grabs");
        QTest::addColumn<QPoint>("move");
        QTest::addColumn<Rect2d>("box");

        // The box round the plateau, centred cells: x and y from -12 to 7.
        QTest::newRow("the first press makes the box and grabs nothing")
            << Cells{{30, 30}} << QPoint(20, 20) << Rect2d(-12, -12, 19, 19);
        // Slow moves at 4 pixels a cell: whole-cell bounds would lose them.
        QTest::newRow("the middle moves the box")
            << Cells{{30, 30}, {30, 30}} << QPoint(8, 8) << Rect2d(-10, -14, 19, 19);
        QTest::newRow("the left third moves the left edge")
            << Cells{{30, 30}, {21, 30}} << QPoint(-8, 0) << Rect2d(-14, -12, 21, 19);
        QTest::newRow("the top right corner (high y)")
            << Cells{{30, 30}, {38, 38}} << QPoint(4, -4) << Rect2d(-12, -12, 20, 20);
    }

    void cropHandles()
    {
        QFETCH(Cells, grabs);
        QFETCH(QPoint, move);
        QFETCH(Rect2d, box);

        Scene scene(Tool::Crop);
        for (const QPoint& c : grabs) {
            const QPoint from = scene.pixel(c.x(), c.y());
            scene.drag(from, from + move);
        }
        const QList<QPointF> points = scene.relief->selectionShapes().front()->points();
        QCOMPARE(points.first(), QPointF(box.x1, box.y1));
        QCOMPARE(points.at(2), QPointF(box.x2, box.y2));
    }

    void altSamplesTheBaseLevel_data()
    {
        QTest::addColumn<int>("tool");
        QTest::newRow("brush") << int(Tool::Brush);
        QTest::newRow("fill") << int(Tool::Fill);
    }

    void altSamplesTheBaseLevel()
    {
        QFETCH(int, tool);

        Scene scene{Tool::Type(tool)};
        // Were the tool not swapped for sampling, it would paint or fill.
        scene.view.currentTool()->size = 0.2;
        scene.relief->selectRectangle(Rect2d(0, 0, 63, 63), SelectionMode::Normal);
        QSignalSpy spy(&scene.view, &FlatWin::SampleChanged);
        // Built as X delivers them: the Alt key's own press without Alt, its
        // release with it.
        QKeyEvent altDown(QEvent::KeyPress, Qt::Key_Alt, Qt::NoModifier);
        QApplication::sendEvent(&scene.view, &altDown);
        QVERIFY(scene.view.toolCursor == &sampleCursor);
        scene.click(scene.pixel(30, 30), Qt::LeftButton, Qt::AltModifier);
        QKeyEvent altUp(QEvent::KeyRelease, Qt::Key_Alt, Qt::AltModifier);
        QApplication::sendEvent(&scene.view, &altUp);
        QVERIFY(scene.view.toolCursor == &normalCursor);

        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toDouble(), 5.0);
        QCOMPARE(scene.relief->baseLevel(), 5.0);
        QCOMPARE(scene.height(30, 30), 5.0f);
        QCOMPARE(scene.undo.count(), 0);
    }

    void fillAndErase_data()
    {
        QTest::addColumn<bool>("legacy");
        QTest::newRow("3.3") << false;
        QTest::newRow("2.1") << true;
    }

    void fillAndErase()
    {
        QFETCH(bool, legacy);

        Scene scene(Tool::Fill, legacy);
        const QPoint probe = scene.pixel(30, 30);
        const QColor top = scene.view.grabFramebuffer().pixelColor(probe);
        scene.relief->setBaseLevel(10.0);
        scene.relief->selectRectangle(Rect2d(2, 2, 3, 3), SelectionMode::Normal);
        scene.click(scene.pixel(10, 10));
        QCOMPARE(scene.height(3, 3), 10.0f);
        QCOMPARE(scene.height(6, 6), 0.0f);
        QCOMPARE(scene.undo.count(), 1);
        // The fill doubled the height range: the plateau's colour moved with it.
        QVERIFY(!near(scene.view.grabFramebuffer().pixelColor(probe), top.red(), top.green(),
                      top.blue(), 40));
        scene.undo.undo();
        QCOMPARE(scene.height(3, 3), 0.0f);

        scene.relief->clearSelection();
        scene.view.setTool(Tool::Erase);
        scene.view.currentTool()->size = 0.2;   // 1.8 cells round the path
        QVERIFY(!isCheckerboard(scene.view.grabFramebuffer().pixelColor(probe)));
        scene.drag(scene.pixel(24, 30), scene.pixel(36, 30));
        QCOMPARE(scene.height(30, 30), 0.0f);
        QCOMPARE(scene.height(30, 36), 5.0f);
        QCOMPARE(scene.undo.count(), 1);
        // Erased to the lowest level: the checkerboard shows through; the
        // eraser's red outline stays under the mouse.
        const QImage image = scene.view.grabFramebuffer();
        const QColor shown = image.pixelColor(probe);
        QVERIFY2(isCheckerboard(shown), qPrintable(shown.name()));
        const QColor outline = image.pixelColor(scene.pixel(36, 30));
        QVERIFY2(outline.red() > outline.green() + 40, qPrintable(outline.name()));
        // Outlines and shapes, drawn by this test and the ones before, on both engines.
        QVERIFY(!logText().contains("OpenGL error"));
    }

    void quantisedLevels_data()
    {
        QTest::addColumn<float>("plateau");
        QTest::addColumn<bool>("range");
        QTest::addColumn<double>("levels");
        QTest::addColumn<float>("shown");
        // With range, two cells of 0 and 1 span the levels.
        QTest::newRow("0.3 in 4 levels shows at 0.5") << 0.3f << true << 4.0 << 0.5f;
        QTest::newRow("0.3 in 128 levels") << 0.3f << true << 128.0 << float(39 / 128.0);
        QTest::newRow("0.5 in 2 levels") << 0.5f << true << 2.0 << 0.5f;
        QTest::newRow("a flat relief shows at its height") << 1.0f << false << 8.0 << 1.0f;
    }

    void quantisedLevels()
    {
        QFETCH(float, plateau);
        QFETCH(bool, range);
        QFETCH(double, levels);
        QFETCH(float, shown);

        Scene scene(Tool::Magic);
        std::fill(scene.relief->heights(), scene.relief->heights() + 64 * 64, plateau);
        if (range) {
            scene.relief->heights()[0] = 1.0f;
            scene.relief->heights()[1] = 0.0f;
        }
        scene.relief->setRemesh(true);
        scene.view.grabFramebuffer();
        // The levels change alone, the relief's flags stay clear.
        scene.view.setQuantization(levels);
        const QImage image = scene.view.grabFramebuffer();
        const ReliefMesh& mesh = scene.view.mesh();
        QCOMPARE(mesh.lodStep, 1);
        QCOMPARE(mesh.positions[3 * (30 + 64 * 30) + 2], shown);
        QCOMPARE(image.pixelColor(scene.pixel(30, 30)).alpha(), 255);
    }

    void changesDrawnElsewhereAppearWhenShown()
    {
        Scene scene(Tool::Magic);
        scene.view.hide();
        // Another view draws the change and clears the relief's flags.
        scene.relief->selectRectangle(Rect2d(0, 0, 63, 63), SelectionMode::Normal);
        scene.relief->resetChangedRect();
        scene.view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&scene.view));
        const QImage image = scene.view.grabFramebuffer();
        QVERIFY(image.pixelColor(scene.pixel(5, 5)).red() > 160);
    }

    void idleViewDoesNotRepaint()
    {
        Scene scene(Tool::Magic);
        QTest::qWait(100);
        const int before = scene.view.paints;
        QTest::qWait(300);
        QVERIFY2(scene.view.paints - before <= 1, qPrintable(QString::number(scene.view.paints)));
        scene.view.setColorOffset(40.0);
        QTRY_VERIFY(scene.view.paints > before);
    }

    void wheel_data()
    {
        QTest::addColumn<int>("mods");
        QTest::addColumn<QPoint>("delta");
        QTest::addColumn<double>("size");
        QTest::addColumn<double>("zoomRatio");
        QTest::newRow("Alt+wheel up, delivered sideways, grows the tool")
            << int(Qt::AltModifier) << QPoint(120, 0) << 0.21 << 1.0;
        QTest::newRow("Alt+wheel down shrinks it") << int(Qt::AltModifier) << QPoint(-120, 0)
                                                   << 0.19 << 1.0;
        QTest::newRow("a notch of -120 zooms in") << 0 << QPoint(0, -120) << 0.2 << 1.12;
        QTest::newRow("a huge turn of -12000 zooms in by the largest factor")
            << 0 << QPoint(0, -12000) << 0.2 << 10.0;
        QTest::newRow("a huge turn of 12000 out by the smallest")
            << 0 << QPoint(0, 12000) << 0.2 << 0.1;
    }

    void wheel()
    {
        QFETCH(int, mods);
        QFETCH(QPoint, delta);
        QFETCH(double, size);
        QFETCH(double, zoomRatio);

        Scene scene(Tool::Brush);
        scene.view.currentTool()->size = 0.2;
        const double zoom = scene.view.zoom();
        scene.wheel(delta, Qt::KeyboardModifiers(mods));
        QVERIFY(std::fabs(scene.view.currentTool()->size - size) < 1e-12);
        QVERIFY(std::fabs(scene.view.zoom() / zoom - zoomRatio) < 1e-12);
    }
};

MORVANE_GL_TEST_MAIN(TestFlatWin)

#include "tst_flatwin.moc"
