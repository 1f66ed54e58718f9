#include "glsupport.h"

#include "relief/relief.h"
#include "relief/reliefsource.h"
#include "relief/sculptundo.h"
#include "relief/toolregistry.h"
#include "views/sculptwin.h"

#include <QSignalSpy>
#include <QWheelEvent>

#include <cmath>
#include <memory>
#include <vector>

using VekMath::Quaternion;

Q_DECLARE_METATYPE(Qt::KeyboardModifiers)
Q_DECLARE_METATYPE(Tool::Type)
Q_DECLARE_METATYPE(Tool::Mode)

namespace {

class ProbeWin : public SculptWin
{
public:
    using SculptWin::axisLock;
    using SculptWin::nav;
    using SculptWin::trackball;
};

// A shown 400 x 300 view of a 128 x 128 relief, fitted at zoom 2.
struct Scene
{
    std::unique_ptr<Relief> relief;
    std::unique_ptr<ProbeWin> view;
    SculptUndo undo;

    explicit Scene(float height = 0.0f)
    {
        relief = std::make_unique<Relief>(128, 128);
        for (size_t i = 0; i < relief->cellCount(); ++i)
            relief->heights()[i] = height;
        view = std::make_unique<ProbeWin>();
        view->resize(400, 300);
        view->setRelief(relief.get(), false);
        view->setUndo(&undo);
        view->show();
        if (!QTest::qWaitForWindowExposed(view.get()))
            qWarning("view not exposed");
        view->fitToView();
        view->grabFramebuffer();
    }

    void mouse(QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons held,
               Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QMouseEvent event(type, QPointF(p), view->mapToGlobal(p), button, held, mods);
        QApplication::sendEvent(view.get(), &event);
    }
    void press(QPoint p, Qt::MouseButton b = Qt::LeftButton, Qt::KeyboardModifiers m = {})
    {
        mouse(QEvent::MouseButtonPress, p, b, b, m);
    }
    void move(QPoint p, Qt::MouseButtons held = Qt::LeftButton, Qt::KeyboardModifiers m = {})
    {
        mouse(QEvent::MouseMove, p, Qt::NoButton, held, m);
    }
    void release(QPoint p, Qt::MouseButton b = Qt::LeftButton)
    {
        mouse(QEvent::MouseButtonRelease, p, b, Qt::NoButton);
    }
    void wheel(QPoint p, QPoint angle, Qt::KeyboardModifiers mods)
    {
        QWheelEvent event(QPointF(p), QPointF(view->mapToGlobal(p)), QPoint(), angle,
                          Qt::NoButton, mods, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view.get(), &event);
    }
};

} // namespace

class TestSculptInput : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qRegisterMetaType<Tool::Type>("Tool::Type");
        qRegisterMetaType<Tool::Mode>("Tool::Mode");
    }

    void setToolReportsEverySettingInOrder()
    {
        Scene scene;
        Tool* deposit = ToolRegistry::select(Tool::Deposit);
        deposit->strength = 0.25;
        deposit->size = 0.125;
        deposit->hardness = 0.5;
        deposit->smoothLength = 12;
        deposit->clip = true;
        QStringList order;
        QList<QVariant> values;
        auto record = [&](const char* name) {
            return [&order, &values, name](auto v) {
                order << name;
                values << QVariant::fromValue(v);
            };
        };
        SculptWin* v = scene.view.get();
        connect(v, &SculptWin::ToolChanged, this, record("type"));
        connect(v, &SculptWin::ToolStrengthChanged, this, record("strength"));
        connect(v, &SculptWin::ToolSizeChanged, this, record("size"));
        connect(v, &SculptWin::ToolKeepTransparencyChanged, this, record("keep"));
        connect(v, &SculptWin::ToolModeChanged, this, record("mode"));
        connect(v, &SculptWin::ToolHardnessChanged, this, record("hardness"));
        connect(v, &SculptWin::ToolUseDecayLengthChanged, this, record("useDecay"));
        connect(v, &SculptWin::ToolDecayLengthChanged, this, record("decay"));
        connect(v, &SculptWin::ToolUseSmoothingChanged, this, record("useSmoothing"));
        connect(v, &SculptWin::ToolSmoothLengthChanged, this, record("smoothLength"));
        connect(v, &SculptWin::ToolClipChanged, this, record("clip"));
        scene.view->setTool(Tool::Deposit);
        QCOMPARE(order, QStringList({"type", "strength", "size", "keep", "mode", "hardness",
                                     "useDecay", "decay", "useSmoothing", "smoothLength",
                                     "clip"}));
        QCOMPARE(values[1].toDouble(), 0.25);
        QCOMPARE(values[2].toDouble(), 0.125);
        QCOMPARE(values[5].toDouble(), 0.5);
        QCOMPARE(values[9].toInt(), 12);
        QCOMPARE(values[10].toBool(), true);
        QCOMPARE(scene.view->currentTool(), deposit);
    }

    void wheelChangesToolSettings_data()
    {
        QTest::addColumn<Qt::KeyboardModifiers>("mods");
        QTest::addColumn<QPoint>("angle");
        QTest::addColumn<double>("size");
        QTest::addColumn<double>("strength");

        // Start: size 0.5, strength 0.5.
        QTest::newRow("Alt, Qt's horizontal delta, up")
            << Qt::KeyboardModifiers(Qt::AltModifier) << QPoint(120, 0) << 0.51 << 0.5;
        QTest::newRow("Alt, horizontal delta, down")
            << Qt::KeyboardModifiers(Qt::AltModifier) << QPoint(-120, 0) << 0.49 << 0.5;
        QTest::newRow("Alt, vertical delta") << Qt::KeyboardModifiers(Qt::AltModifier)
                                             << QPoint(0, 120) << 0.51 << 0.5;
        QTest::newRow("Alt+Shift, coarse step")
            << Qt::KeyboardModifiers(Qt::AltModifier | Qt::ShiftModifier) << QPoint(-120, 0)
            << 0.4 << 0.5;
        QTest::newRow("Ctrl changes the strength")
            << Qt::KeyboardModifiers(Qt::ControlModifier) << QPoint(0, 120) << 0.5 << 0.51;
    }

    void wheelChangesToolSettings()
    {
        QFETCH(Qt::KeyboardModifiers, mods);
        QFETCH(QPoint, angle);
        QFETCH(double, size);
        QFETCH(double, strength);

        Scene scene;
        Tool* tool = scene.view->currentTool();
        tool->size = 0.5;
        tool->strength = 0.5;
        const double zoom = scene.view->zoom();
        QSignalSpy sizes(scene.view.get(), &SculptWin::ToolSizeChanged);
        scene.wheel(QPoint(200, 150), angle, mods);
        QVERIFY(std::fabs(tool->size - size) < 1e-12);
        QVERIFY(std::fabs(tool->strength - strength) < 1e-12);
        QCOMPARE(scene.view->zoom(), zoom);
        QCOMPARE(sizes.count(), size != 0.5 ? 1 : 0);
    }

    void wheelClampsTheToolSize()
    {
        Scene scene;
        Tool* tool = scene.view->currentTool();
        tool->size = 0.015;
        scene.wheel(QPoint(200, 150), QPoint(-120, 0), Qt::AltModifier);
        QCOMPARE(tool->size, 0.01);
        tool->strength = 0.9995;
        scene.wheel(QPoint(200, 150), QPoint(0, 120), Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(tool->strength, 1.0);
    }

    void wheelZooms_data()
    {
        QTest::addColumn<int>("delta");
        QTest::addColumn<double>("factor");
        QTest::newRow("one notch forward zooms out") << 120 << 0.88;
        QTest::newRow("one notch back zooms in") << -120 << 1.12;
        // 1 - 5000 * 0.001 would be negative: the zoom must still change,
        // together with the pan.
        QTest::newRow("fast flick stays positive") << 5000 << 0.1;
    }

    void wheelZooms()
    {
        QFETCH(int, delta);
        QFETCH(double, factor);

        Scene scene;
        const double zoom = scene.view->zoom();
        const QPoint pan = scene.view->pan();
        scene.wheel(QPoint(200, 150), QPoint(0, delta), Qt::NoModifier);
        QVERIFY(std::fabs(scene.view->zoom() - zoom * factor) < 1e-12);
        // About the centre the pan only scales with the zoom.
        QCOMPARE(scene.view->pan(), QPoint(qRound(pan.x() * factor), qRound(pan.y() * factor)));
    }

    void dragsPanAndZoom()
    {
        Scene scene;
        scene.view->setViewTool(1);
        const QPoint pan = scene.view->pan();
        scene.press(QPoint(200, 150));
        scene.move(QPoint(230, 140));
        scene.move(QPoint(240, 130));
        scene.release(QPoint(240, 130));
        QCOMPARE(scene.view->pan(), pan + QPoint(40, -20));
        QCOMPARE(scene.view->nav.viewTool, 1);

        // Shift+left zooms for the drag only: 30 pixels down add 0.1.
        scene.view->setViewTool(0);
        const double zoom = scene.view->zoom();
        scene.press(QPoint(200, 150), Qt::LeftButton, Qt::ShiftModifier);
        QCOMPARE(scene.view->nav.viewTool, 2);
        scene.move(QPoint(200, 180), Qt::LeftButton, Qt::ShiftModifier);
        scene.release(QPoint(200, 180));
        QVERIFY(std::fabs(scene.view->zoom() - (zoom + 0.1)) < 1e-12);
        QCOMPARE(scene.view->nav.viewTool, 0);
    }

    void cubeTurnsTheView()
    {
        Scene scene;
        // Slightly turned: the top face still faces the viewer at the cube's
        // centre, and a double click there shows the model from the top.
        scene.view->setRotation(Quaternion::fromAngleAxisDegrees(20, 1, 1, 0));
        scene.view->grabFramebuffer();
        scene.press(QPoint(75, 75));
        scene.release(QPoint(75, 75));
        scene.mouse(QEvent::MouseButtonDblClick, QPoint(75, 75), Qt::LeftButton, Qt::LeftButton);
        const Quaternion q = scene.view->trackball.rotation();
        QVERIFY(std::fabs(std::fabs(q.w) - 1.0) < 1e-12);

        // A drag from a cube face turns with the ball spanning the cube.
        scene.view->grabFramebuffer();
        scene.press(QPoint(75, 75));
        QCOMPARE(scene.view->nav.viewTool, 3);
        scene.move(QPoint(100, 75));
        scene.release(QPoint(100, 75));
        Trackball expected;
        expected.beginDrag(75, 75, 150, 150);
        expected.drag(100, 75, 150, 150);
        const Quaternion turned = scene.view->trackball.rotation();
        const Quaternion e = expected.rotation();
        QVERIFY(std::fabs(turned.w - e.w) < 1e-12 && std::fabs(turned.y - e.y) < 1e-12);
        QVERIFY(turned.y > 0.1);
    }

    void depositStrokeIsOneUndoEvent()
    {
        Scene scene(1.0f);
        scene.view->setTool(Tool::Deposit);
        Tool* tool = scene.view->currentTool();
        tool->size = 0.3;
        tool->strength = 0.5;
        tool->hardness = 0.5;
        tool->keepTransparency = false;
        tool->clip = false;
        tool->useSmoothing = false;
        tool->useDecayLength = false;
        const std::vector<float> before(scene.relief->heights(),
                                        scene.relief->heights() + scene.relief->cellCount());
        // Zoom 2: widget x 140..260 on row 150 is cells 34..94 of row 64.
        scene.press(QPoint(140, 150));
        for (int x = 150; x <= 260; x += 10)
            scene.move(QPoint(x, 150));
        scene.release(QPoint(260, 150));

        QCOMPARE(scene.undo.count(), 1);
        const float* h = scene.relief->heights();
        const double radius = 0.1 * 0.3 * std::sqrt(2.0 * 128 * 128);
        int raised = 0;
        for (int y = 0; y < 128; ++y) {
            for (int x = 0; x < 128; ++x) {
                const size_t i = size_t(y) * 128 + x;
                if (h[i] == before[i])
                    continue;
                ++raised;
                const double dx = x < 34 ? 34 - x : (x > 94 ? x - 94 : 0);
                const double dy = y - 64;
                QVERIFY2(std::sqrt(dx * dx + dy * dy) <= radius + 3,
                         qPrintable(QString("%1, %2").arg(x).arg(y)));
            }
        }
        QVERIFY(raised > 60);
        scene.undo.undo();
        QVERIFY(std::equal(before.begin(), before.end(), scene.relief->heights()));
    }

    void ctrlStrokeLocksToAnAxis()
    {
        Scene scene(1.0f);
        scene.view->setTool(Tool::Deposit);
        scene.view->currentTool()->size = 0.02;
        scene.view->currentTool()->strength = 0.1;
        scene.press(QPoint(200, 150), Qt::LeftButton, Qt::ControlModifier);
        QCOMPARE(scene.view->axisLock, 1);
        scene.move(QPoint(202, 151));
        QCOMPARE(scene.view->axisLock, 1);
        QCOMPARE(scene.view->nav.mousePos, QPoint(202, 151));
        scene.move(QPoint(207, 152));
        QCOMPARE(scene.view->axisLock, 2);
        QCOMPARE(scene.view->nav.mousePos, QPoint(207, 151));
        scene.release(QPoint(207, 151));
        QCOMPARE(scene.view->axisLock, 0);
    }

    void sourceSettings_data()
    {
        QTest::addColumn<int>("setting");
        QTest::addColumn<bool>("rebuilt");
        QTest::addColumn<bool>("dirty");
        QTest::newRow("flip Y: dirty, rebuilt") << 0 << true << true;
        QTest::newRow("preview: rebuilt, dirty as it was") << 1 << true << false;
        QTest::newRow("grid size: dirty, no rebuild") << 2 << false << true;
        QTest::newRow("update without apply") << 3 << true << false;
    }

    void sourceSettings()
    {
        QFETCH(int, setting);
        QFETCH(bool, rebuilt);
        QFETCH(bool, dirty);

        // Rows 1 to 8 from the top; flipping puts row 8 first.
        std::vector<float> image(64);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                image[size_t(y) * 8 + x] = float(y + 1);
        Relief relief(ReliefSource(8, 8, image.data()));
        SculptWin view;
        view.setRelief(&relief, false);
        relief.source()->flipY = true;
        QSignalSpy reports(&view, &SculptWin::ReliefDirtyChanged);
        switch (setting) {
        case 0: view.setFlipY(true); break;
        case 1: view.setPreview(true); break;
        case 2: view.setGridSize(4); break;
        default: view.updateRelief(false); break;
        }
        QCOMPARE(reports.count(), 1);
        QCOMPARE(reports.at(0).at(0).toBool(), dirty);
        QCOMPARE(relief.source()->dirty, dirty);
        // Sampled heights run from 0 (lowest row) to 7 (highest).
        QCOMPARE(relief.heights()[0], rebuilt ? 7.0f : 0.0f);

        SculptWin empty;
        QSignalSpy none(&empty, &SculptWin::ReliefDirtyChanged);
        empty.setFlipY(true);
        empty.updateRelief(true);
        QCOMPARE(none.count(), 0);
    }

    void statusNamesTheCellUnderTheMouse()
    {
        Scene scene(12.3f);
        QSignalSpy status(scene.view.get(), &SculptWin::Status);
        scene.move(QPoint(200, 150), Qt::NoButton);
        scene.view->readDepthBuffer();
        scene.view->statusTimeout();
        QCOMPARE(status.count(), 1);
        QCOMPARE(status.at(0).at(0).toString(), QString("Position: (0.50, 0.50) z = 0.10"));
        // Nothing new while the mouse rests.
        scene.view->statusTimeout();
        QCOMPARE(status.count(), 1);
    }
};

MORVANE_GL_TEST_MAIN(TestSculptInput)
#include "tst_sculptinput.moc"
