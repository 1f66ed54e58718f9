// The mesh view in a 400 x 300 window: fitting, the plate, turning, zooming
// and panning with the mouse, the cube's double click, two-sided shading and
// meshes changed in place. The cube covers the top-left 150 x 150 pixels, so
// pictures are read along the middle row and column.
#include "glsupport.h"

#include "geometry/matrix3d.h"
#include "mesh/facetshape.h"
#include "views/facetwin.h"

#include <QMouseEvent>
#include <QWheelEvent>

#include <cmath>
#include <memory>

using VekMath::Quaternion;
using VekMath::Vector3d;

namespace {

const int viewW = 400, viewH = 300;
const QPoint centre(viewW / 2, viewH / 2);

// The rectangle (x0, y0)-(x0 + w, y0 + h) at height z as two facets,
// counter-clockwise seen from above unless flipped.
void addRectangle(FacetShape& s, double x0, double y0, double w, double h, double z,
                  bool flipped = false)
{
    const Vector3d a(x0, y0, z), b(x0 + w, y0, z), c(x0 + w, y0 + h, z), d(x0, y0 + h, z);
    const Vector3d n(0, 0, flipped ? -1 : 1);
    s.addFacet(flipped ? Facet(a, c, b, n) : Facet(a, b, c, n));
    s.addFacet(flipped ? Facet(a, d, c, n) : Facet(a, c, d, n));
}

bool isBackground(const QColor& c)
{
    return c.red() < 10 && c.green() < 10 && c.blue() < 10;
}

// The mesh's brown shows red; the plate's translucent green over black none.
bool isMesh(const QColor& c)
{
    return c.red() > 60;
}

// First and last pixel along the middle row (or column) that match.
QPair<int, int> span(const QImage& img, bool row, bool (*match)(const QColor&))
{
    QPair<int, int> r(-1, -2);
    for (int i = 0; i < (row ? viewW : viewH); ++i)
        if (match(row ? img.pixelColor(i, viewH / 2) : img.pixelColor(viewW / 2, i))) {
            r.first = r.first < 0 ? i : r.first;
            r.second = i;
        }
    return r;
}

int length(const QPair<int, int>& s)
{
    return s.second - s.first + 1;
}

bool notBackground(const QColor& c)
{
    return !isBackground(c);
}

void mouse(QWidget* w, QEvent::Type type, const QPoint& p, Qt::MouseButton button,
           Qt::MouseButtons held, Qt::KeyboardModifiers mods = {})
{
    QMouseEvent e(type, p, w->mapToGlobal(p), button, held, mods);
    QApplication::sendEvent(w, &e);
}

void drag(QWidget* w, const QPoint& from, const QPoint& to, int button, int mods)
{
    const Qt::MouseButton b = Qt::MouseButton(button);
    const Qt::KeyboardModifiers m(mods);
    mouse(w, QEvent::MouseButtonPress, from, b, b, m);
    for (int i = 1; i <= 4; ++i)
        mouse(w, QEvent::MouseMove, from + (to - from) * i / 4, Qt::NoButton, b, m);
    mouse(w, QEvent::MouseButtonRelease, to, b, Qt::NoButton, m);
}

double angleOf(const Quaternion& q)
{
    return 2.0 * std::acos(std::min(1.0, std::abs(q.w))) * 180.0 / M_PI;
}

double degreesFor(double u)
{
    return 2 * std::asin(u) * 180 / M_PI;
}

} // namespace

class TestFacetWin : public QObject
{
    Q_OBJECT

    std::unique_ptr<FacetWin> view;
    FacetShape square;

    // A fresh view showing shape, fitted, one frame drawn so that the cube
    // corner is known.
    FacetWin* show(FacetShape* shape)
    {
        view = std::make_unique<FacetWin>();
        view->resize(viewW, viewH);
        view->show();
        if (!QTest::qWaitForWindowExposed(view.get()))
            return nullptr;
        view->setFacetShape(shape, true);
        view->grabFramebuffer();
        return view.get();
    }

private slots:
    void initTestCase() { addRectangle(square, 0, 0, 100, 100, 0); }
    void cleanup() { view.reset(); }

    void fitsMeshOnPlate_data()
    {
        QTest::addColumn<double>("x0");
        QTest::addColumn<double>("w");
        QTest::addColumn<double>("h");
        QTest::newRow("square") << 0.0 << 100.0 << 100.0;
        // Float corners far from the origin would merge.
        QTest::newRow("tiny square far off the origin") << 5000.0 << 0.01 << 0.01;
        QTest::newRow("wide strip") << -3e5 << 3e5 << 1.5e4;
        QTest::newRow("tall strip") << 0.0 << 10.0 << 300.0;
    }

    void fitsMeshOnPlate()
    {
        QFETCH(double, x0);
        QFETCH(double, w);
        QFETCH(double, h);
        FacetShape shape;
        addRectangle(shape, x0, 2 * x0, w, h, x0);
        FacetWin* v = show(&shape);
        QVERIFY(v);
        const QImage img = v->grabFramebuffer();
        const QPair<int, int> across = span(img, true, isMesh), down = span(img, false, isMesh);
        // More than half the view in one direction, inside it, centred.
        QVERIFY(length(across) >= viewW / 2 || length(down) >= viewH / 2);
        QVERIFY(length(across) < viewW && length(down) < viewH);
        QVERIFY(std::abs(across.first + across.second - viewW) <= 3);
        QVERIFY(std::abs(down.first + down.second - viewH) <= 3);
        // The plate reaches a twentieth of the mesh beyond each side, green.
        const QPair<int, int> plate = span(img, true, notBackground);
        const int margin = int(length(across) * 0.05);
        QVERIFY(std::abs(across.first - plate.first - margin) <= 2);
        QVERIFY(std::abs(plate.second - across.second - margin) <= 2);
        const QColor rim = img.pixelColor(across.first - margin / 2 - 1, viewH / 2);
        QVERIFY(margin < 2 || (rim.red() < 20 && rim.green() > 30));
    }

    // A box seen as a point can never fill the view: fitting must stop with
    // a zoom that GL's floats carry, the mesh centred.
    void fitsDegenerateBoxes_data()
    {
        QTest::addColumn<double>("zLength");
        QTest::addColumn<double>("tilt");
        QTest::addColumn<bool>("fills");
        QTest::newRow("single point") << 0.0 << 0.0 << false;
        QTest::newRow("needle seen end on") << 50.0 << 0.0 << false;
        QTest::newRow("needle seen from the side") << 50.0 << 90.0 << true;
    }

    void fitsDegenerateBoxes()
    {
        QFETCH(double, zLength);
        QFETCH(double, tilt);
        QFETCH(bool, fills);
        FacetShape needle;
        needle.addFacet(Facet(Vector3d(7, 7, 0), Vector3d(7, 7, zLength),
                              Vector3d(7, 7, zLength / 3), Vector3d(0, 0, 1)));
        FacetWin* v = show(nullptr);
        QVERIFY(v);
        v->setRotation(Quaternion::fromAngleAxisDegrees(tilt, 1, 0, 0));
        v->setFacetShape(&needle, true);
        QVERIFY(std::isfinite(float(v->zoom())) && v->zoom() > 1e-6 && v->zoom() < 1e6);
        const VekMath::Rect2di r = v->projectedRect(v->zoom(), v->pan().x(), v->pan().y());
        QVERIFY(std::abs(r.x1 + r.x2 - viewW) <= 2 && std::abs(r.y1 + r.y2 - viewH) <= 2);
        QCOMPARE(r.height() >= viewH / 2 - 1, fills);
        QVERIFY(!isBackground(v->grabFramebuffer().pixelColor(75, 75)));
    }

    void dragTurns_data()
    {
        QTest::addColumn<int>("tool");
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("mods");
        QTest::addColumn<double>("degrees");
        // A drag of u ball radii from the ball's centre turns by 2 asin(u);
        // in the cube corner the ball is the cube's 150 pixels, else the view.
        const QPoint cube(75, 75);
        const int left = Qt::LeftButton;
        QTest::newRow("left in the cube corner") << 0 << cube << left << 0 << degreesFor(35 / 75.0);
        QTest::newRow("left elsewhere") << 0 << centre << left << 0 << 0.0;
        QTest::newRow("middle") << 0 << centre << int(Qt::MiddleButton) << 0
                                << degreesFor(35 / 200.0);
        QTest::newRow("ctrl right") << 0 << centre << int(Qt::RightButton)
                                    << int(Qt::ControlModifier) << degreesFor(35 / 200.0);
        QTest::newRow("plain right") << 0 << centre << int(Qt::RightButton) << 0 << 0.0;
        QTest::newRow("shift left in the corner zooms instead")
            << 0 << cube << left << int(Qt::ShiftModifier) << 0.0;
        QTest::newRow("left with the rotate tool chosen")
            << 3 << centre << left << 0 << degreesFor(35 / 200.0);
    }

    void dragTurns()
    {
        QFETCH(int, tool);
        QFETCH(QPoint, from);
        QFETCH(int, button);
        QFETCH(int, mods);
        QFETCH(double, degrees);
        FacetWin* v = show(&square);
        QVERIFY(v);
        v->setViewTool(tool);
        const int before = length(span(v->grabFramebuffer(), true, notBackground));
        drag(v, from, from + QPoint(35, 0), button, mods);
        QCOMPARE(v->currentViewTool(), tool);
        QVERIFY(std::abs(angleOf(v->rotation()) - degrees) < 0.01);
        // Turned about the screen's vertical, the plate's width shrinks by the
        // cosine and its 3-pixel edge shows by the sine.
        const int after = length(span(v->grabFramebuffer(), true, notBackground));
        const double rad = degrees * M_PI / 180;
        QVERIFY2(std::abs(after - (before * std::cos(rad) + 3 * std::sin(rad))) <= 4,
                 qPrintable(QString("%1 -> %2").arg(before).arg(after)));
    }

    // A second button during a drag must not leave the view in the drag's mode.
    void secondButtonDuringDrag()
    {
        FacetWin* v = show(&square);
        QVERIFY(v);
        const Qt::MouseButtons both = Qt::MiddleButton | Qt::LeftButton;
        mouse(v, QEvent::MouseButtonPress, centre, Qt::MiddleButton, Qt::MiddleButton);
        mouse(v, QEvent::MouseMove, centre + QPoint(20, 0), Qt::NoButton, Qt::MiddleButton);
        mouse(v, QEvent::MouseButtonPress, centre + QPoint(20, 0), Qt::LeftButton, both);
        mouse(v, QEvent::MouseButtonRelease, centre + QPoint(20, 0), Qt::LeftButton,
              Qt::MiddleButton);
        mouse(v, QEvent::MouseButtonRelease, centre + QPoint(20, 0), Qt::MiddleButton,
              Qt::NoButton);
        QCOMPARE(v->currentViewTool(), 0);
        const Quaternion turned = v->rotation();
        drag(v, centre, centre + QPoint(0, 30), Qt::LeftButton, 0);
        QCOMPARE(v->rotation(), turned);
    }

    void doubleClickOnCube_data()
    {
        QTest::addColumn<double>("tilt");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<Quaternion>("expected");
        const QPoint cube(75, 75);
        QTest::newRow("slightly tilted: top") << 30.0 << cube << viewOrientation(0);
        QTest::newRow("mostly tilted: +y face") << 60.0 << cube << viewOrientation(1);
        QTest::newRow("outside the corner")
            << 30.0 << QPoint(300, 200) << Quaternion::fromAngleAxisDegrees(30, 1, 0, 0);
    }

    void doubleClickOnCube()
    {
        QFETCH(double, tilt);
        QFETCH(QPoint, at);
        QFETCH(Quaternion, expected);
        FacetWin* v = show(&square);
        QVERIFY(v);
        v->setRotation(Quaternion::fromAngleAxisDegrees(tilt, 1, 0, 0));
        v->grabFramebuffer();
        mouse(v, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
        mouse(v, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
        mouse(v, QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::LeftButton);
        const Quaternion q = v->rotation();
        QVERIFY(std::abs(std::abs(q.w * expected.w + q.x * expected.x + q.y * expected.y
                                  + q.z * expected.z) - 1) < 1e-9);
    }

    void dragZoomsAndPans_data()
    {
        QTest::addColumn<int>("tool");
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("mods");
        QTest::addColumn<QPoint>("move");
        QTest::addColumn<double>("zoomAdded");
        const int shift = Qt::ShiftModifier, left = Qt::LeftButton;
        // 300 pixels of vertical drag add 1 to the zoom.
        QTest::newRow("shift left down") << 0 << left << shift << QPoint(0, 150) << 0.5;
        QTest::newRow("shift left up") << 0 << left << shift << QPoint(40, -60) << -0.2;
        QTest::newRow("ctrl shift left") << 0 << left << int(shift | Qt::ControlModifier)
                                         << QPoint(0, 150) << 0.0;
        QTest::newRow("zoom tool") << 2 << left << 0 << QPoint(0, 60) << 0.2;
        QTest::newRow("shift right pans")
            << 0 << int(Qt::RightButton) << shift << QPoint(30, -20) << 0.0;
        QTest::newRow("pan tool") << 1 << left << 0 << QPoint(-25, 15) << 0.0;
    }

    void dragZoomsAndPans()
    {
        QFETCH(int, tool);
        QFETCH(int, button);
        QFETCH(int, mods);
        QFETCH(QPoint, move);
        QFETCH(double, zoomAdded);
        FacetWin* v = show(&square);
        QVERIFY(v);
        v->setViewTool(tool);
        const double zoom0 = v->zoom();
        const QPoint pan0 = v->pan();
        const QPair<int, int> before = span(v->grabFramebuffer(), true, isMesh);
        drag(v, QPoint(250, 200), QPoint(250, 200) + move, button, mods);
        QCOMPARE(v->currentViewTool(), tool);
        QVERIFY(std::abs(v->zoom() - (zoom0 + zoomAdded)) < 1e-9);
        const bool pans = tool == 1 || button == Qt::RightButton;
        if (pans || zoomAdded == 0.0)
            QCOMPARE(v->pan(), pans ? pan0 + move : pan0);
        // The picture follows: moved with the pan, spread about the centre.
        const QPair<int, int> after = span(v->grabFramebuffer(), true, isMesh);
        QVERIFY(std::abs(after.first + after.second - before.first - before.second
                         - (pans ? 2 * move.x() : 0)) <= 2);
        QVERIFY(std::abs(length(after) - length(before) * v->zoom() / zoom0) <= 3);
    }

    void wheelZoomsAboutCursor_data()
    {
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<QPoint>("angle");
        QTest::addColumn<int>("mods");
        QTest::addColumn<double>("factor");
        QTest::newRow("notch away, centre") << centre << QPoint(0, 120) << 0 << 0.88;
        QTest::newRow("notch towards, off centre") << QPoint(300, 220) << QPoint(0, -120) << 0
                                                   << 1.12;
        // Qt turns the wheel sideways while Alt is held.
        QTest::newRow("alt") << QPoint(300, 220) << QPoint(-120, 0) << int(Qt::AltModifier)
                             << 1.12;
        // Many notches in one event must not turn the factor negative, which
        // refuses the zoom after the pan has moved.
        QTest::newRow("burst away") << QPoint(320, 240) << QPoint(0, 4800) << 0 << 0.1;
    }

    void wheelZoomsAboutCursor()
    {
        QFETCH(QPoint, at);
        QFETCH(QPoint, angle);
        QFETCH(int, mods);
        QFETCH(double, factor);
        FacetWin* v = show(&square);
        QVERIFY(v);
        const double zoom0 = v->zoom();
        // The model point under the cursor, from the mesh's centre.
        const double mx = (at.x() - centre.x() - v->pan().x()) / zoom0;
        const double my = (at.y() - centre.y() - v->pan().y()) / zoom0;
        QWheelEvent e(at, v->mapToGlobal(at), QPoint(), angle, Qt::NoButton,
                      Qt::KeyboardModifiers(mods), Qt::NoScrollPhase, false);
        QApplication::sendEvent(v, &e);
        QVERIFY(std::abs(v->zoom() / zoom0 - factor) < 1e-9);
        // It stays nearly under the cursor: off by (1 - f)^2 of its distance
        // from the centre.
        const double sx = centre.x() + v->pan().x() + v->zoom() * mx;
        const double sy = centre.y() + v->pan().y() + v->zoom() * my;
        const double off = std::hypot(at.x() - centre.x(), at.y() - centre.y());
        QVERIFY(std::hypot(sx - at.x(), sy - at.y()) <= (1 - factor) * (1 - factor) * off + 2);
    }

    // Drawn from arrays built once, the facets keep their picture: winding
    // picks the front or back material and the zoom does not dim the light.
    void shadesBothSides_data()
    {
        QTest::addColumn<bool>("flipped");
        QTest::addColumn<double>("zoomBy");
        QTest::newRow("front zoomed in") << false << 1.6;
        QTest::newRow("front zoomed out") << false << 0.3;
        QTest::newRow("back zoomed in") << true << 1.6;
    }

    void shadesBothSides()
    {
        QFETCH(bool, flipped);
        QFETCH(double, zoomBy);
        // Lifted above the plate by a facet hidden underneath, so that the
        // plate does not tint it.
        FacetShape shape;
        addRectangle(shape, 0, 0, 100, 100, 10, flipped);
        shape.addFacet(Facet(Vector3d(40, 40, 0), Vector3d(60, 40, 0), Vector3d(50, 60, 0),
                             Vector3d(0, 0, 1)));
        FacetWin* v = show(&shape);
        QVERIFY(v);
        const QPoint at = centre + QPoint(15, 15);
        const QColor fitted = v->grabFramebuffer().pixelColor(at);
        v->zoomBy(zoomBy);
        const QColor c = v->grabFramebuffer().pixelColor(at);
        QVERIFY2(near(c, fitted.red(), fitted.green(), fitted.blue()),
                 qPrintable(c.name() + " vs " + fitted.name()));
        // Front: the brown (0.6, 0.4, 0.2); back: the pink (0.8, 0.4, 0.4).
        QVERIFY(c.red() > c.green() + 20);
        QVERIFY(flipped ? c.blue() > c.green() * 4 / 5 : c.blue() < c.green() * 3 / 5);
    }

    // The main window changes the mesh in place and only repaints.
    void showsMeshChanges_data()
    {
        QTest::addColumn<int>("change");
        QTest::addColumn<double>("widthRatio");
        QTest::newRow("scaled in place") << 0 << 0.5;
        QTest::newRow("handed over again") << 1 << 0.5;
        QTest::newRow("taken away") << 2 << 0.0;
    }

    void showsMeshChanges()
    {
        QFETCH(int, change);
        QFETCH(double, widthRatio);
        FacetShape shape = square;
        FacetWin* v = show(&shape);
        QVERIFY(v);
        const int before = length(span(v->grabFramebuffer(), true, isMesh));
        if (change < 2)
            shape.transform(VekMath::Matrix3d(0.5, 1.0, 1.0));
        if (change > 0)
            v->setFacetShape(change == 1 ? &shape : nullptr, false);
        v->update();
        const QImage img = v->grabFramebuffer();
        QVERIFY(std::abs(length(span(img, true, isMesh)) - before * widthRatio) <= 2);
        QVERIFY(!isBackground(img.pixelColor(75, 75)));
    }
};

MORVANE_GL_TEST_MAIN(TestFacetWin)

#include "tst_facetwin.moc"
