// The mesh view: fitting, the plate, turning, zooming and panning with the
// mouse, the cube's double click, two-sided shading, and meshes changed in
// place. Pictures are read back from a 400 x 300 view; its cube covers the
// top-left 150 x 150 pixels, so rows and columns are read below or right of it.
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

const int viewW = 400;
const int viewH = 300;

// Two facets making the rectangle (x0, y0)-(x0 + w, y0 + h) at height z,
// counter-clockwise seen from above unless flipped.
void addRectangle(FacetShape& s, double x0, double y0, double w, double h, double z,
                  bool flipped = false)
{
    const Vector3d a(x0, y0, z), b(x0 + w, y0, z), c(x0 + w, y0 + h, z), d(x0, y0 + h, z);
    const Vector3d up(0, 0, flipped ? -1 : 1);
    if (flipped) {
        s.addFacet(Facet(a, c, b, up));
        s.addFacet(Facet(a, d, c, up));
    } else {
        s.addFacet(Facet(a, b, c, up));
        s.addFacet(Facet(a, c, d, up));
    }
}

// A square lifted above its plate by a small facet hidden underneath, so
// that the plate does not tint it.
std::unique_ptr<FacetShape> liftedSquare(bool flipped)
{
    auto s = std::make_unique<FacetShape>();
    addRectangle(*s, 0, 0, 100, 100, 10, flipped);
    s->addFacet(Facet(Vector3d(40, 40, 0), Vector3d(60, 40, 0), Vector3d(50, 60, 0),
                      Vector3d(0, 0, 1)));
    return s;
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

bool isPlate(const QColor& c)
{
    return c.red() < 20 && c.green() > 30;
}

// First and last index along a row (or column) whose pixel matches; (-1, -1)
// when none does.
template <typename Match>
QPair<int, int> span(const QImage& img, bool row, int at, Match match)
{
    QPair<int, int> r(-1, -1);
    const int n = row ? img.width() : img.height();
    for (int i = 0; i < n; ++i) {
        const QColor c = row ? img.pixelColor(i, at) : img.pixelColor(at, i);
        if (match(c)) {
            if (r.first < 0)
                r.first = i;
            r.second = i;
        }
    }
    return r;
}

int length(const QPair<int, int>& s)
{
    return s.first < 0 ? 0 : s.second - s.first + 1;
}

void sendMouse(QWidget* w, QEvent::Type type, const QPoint& p, Qt::MouseButton button,
               Qt::MouseButtons held, Qt::KeyboardModifiers mods)
{
    QMouseEvent e(type, p, w->mapToGlobal(p), button, held, mods);
    QApplication::sendEvent(w, &e);
}

// Press, move in a few steps, release.
void drag(QWidget* w, const QPoint& from, const QPoint& to, Qt::MouseButton button,
          Qt::KeyboardModifiers mods)
{
    sendMouse(w, QEvent::MouseButtonPress, from, button, button, mods);
    for (int i = 1; i <= 4; ++i)
        sendMouse(w, QEvent::MouseMove, from + (to - from) * i / 4, Qt::NoButton, button, mods);
    sendMouse(w, QEvent::MouseButtonRelease, to, button, Qt::NoButton, mods);
}

void wheel(QWidget* w, const QPoint& p, const QPoint& angle, Qt::KeyboardModifiers mods)
{
    QWheelEvent e(p, w->mapToGlobal(p), QPoint(), angle, Qt::NoButton, mods, Qt::NoScrollPhase,
                  false);
    QApplication::sendEvent(w, &e);
}

// Rotation angle in degrees of a unit quaternion.
double angleOf(const Quaternion& q)
{
    return 2.0 * std::acos(std::min(1.0, std::abs(q.w))) * 180.0 / M_PI;
}

bool sameRotation(const Quaternion& a, const Quaternion& b)
{
    const double dot = a.w * b.w + a.x * b.x + a.y * b.y + a.z * b.z;
    return std::abs(std::abs(dot) - 1.0) < 1e-9;
}

} // namespace

class TestFacetWin : public QObject
{
    Q_OBJECT

    std::unique_ptr<FacetWin> view;
    FacetShape square;

    // A fresh view showing shape, fitted, with one frame drawn so that the
    // cube corner is known.
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
    void initTestCase()
    {
        addRectangle(square, 0, 0, 100, 100, 0);
    }

    void cleanup()
    {
        view.reset();
    }

    void fitsMeshOnPlate_data()
    {
        QTest::addColumn<double>("x0");
        QTest::addColumn<double>("w");
        QTest::addColumn<double>("h");
        QTest::newRow("square") << 0.0 << 100.0 << 100.0;
        QTest::newRow("tiny square far off the origin") << 5000.0 << 0.01 << 0.01;
        QTest::newRow("huge square") << -3e5 << 1e5 << 1e5;
        QTest::newRow("wide strip") << 0.0 << 400.0 << 20.0;
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

        const QPair<int, int> across = span(img, true, viewH / 2, isMesh);
        const QPair<int, int> down = span(img, false, viewW / 2, isMesh);
        QVERIFY(length(across) > 0 && length(down) > 0);
        // The box fills more than half the view in one direction and fits.
        QVERIFY2(length(across) >= viewW / 2 || length(down) >= viewH / 2,
                 qPrintable(QString("%1 x %2").arg(length(across)).arg(length(down))));
        QVERIFY(length(across) < viewW && length(down) < viewH);
        QVERIFY(std::abs(across.first + across.second - viewW) <= 3);
        QVERIFY(std::abs(down.first + down.second - viewH) <= 3);

        // The plate shows a margin of a twentieth of the mesh on each side,
        // and nothing lies beyond it.
        const QPair<int, int> plate = span(img, true, viewH / 2, [](const QColor& c) {
            return !isBackground(c);
        });
        const int margin = int(length(across) * 0.05);
        QVERIFY(std::abs(across.first - plate.first - margin) <= 2);
        QVERIFY(std::abs(plate.second - across.second - margin) <= 2);
        if (margin >= 2) {
            QVERIFY(isPlate(img.pixelColor(across.first - margin / 2 - 1, viewH / 2)));
            QVERIFY(isPlate(img.pixelColor(across.second + margin / 2 + 1, viewH / 2)));
        }
        QVERIFY(isBackground(img.pixelColor(viewW - 1, viewH - 1)));
    }

    // Boxes that project onto a point can never fill the view: fitting must
    // stop with a zoom the GL's floats can carry, and the mesh stays centred.
    void fitsDegenerateBoxes_data()
    {
        // Three corners, x y z each.
        QTest::addColumn<QVector<double>>("corners");
        QTest::addColumn<Quaternion>("rotation");
        QTest::addColumn<bool>("fills");
        const QVector<double> point{3, 4, 5, 3, 4, 5, 3, 4, 5};
        const QVector<double> needle{7, 7, 0, 7, 7, 50, 7, 7, 20};
        QTest::newRow("single point") << point << Quaternion() << false;
        QTest::newRow("needle seen end on") << needle << Quaternion() << false;
        QTest::newRow("needle seen from the side")
            << needle << Quaternion::fromAngleAxisDegrees(90, 1, 0, 0) << true;
    }

    void fitsDegenerateBoxes()
    {
        QFETCH(QVector<double>, corners);
        QFETCH(Quaternion, rotation);
        QFETCH(bool, fills);
        FacetShape shape;
        const double* c = corners.constData();
        shape.addFacet(Facet(Vector3d(c[0], c[1], c[2]), Vector3d(c[3], c[4], c[5]),
                             Vector3d(c[6], c[7], c[8]), Vector3d(0, 0, 1)));
        FacetWin* v = show(nullptr);
        QVERIFY(v);
        v->setRotation(rotation);
        v->setFacetShape(&shape, true);

        QVERIFY(std::isfinite(float(v->zoom())));
        QVERIFY(v->zoom() > 1e-6 && v->zoom() < 1e6);
        const VekMath::Rect2di r = v->projectedRect(v->zoom(), v->pan().x(), v->pan().y());
        QVERIFY(std::abs(r.x1 + r.x2 - viewW) <= 2);
        QVERIFY(std::abs(r.y1 + r.y2 - viewH) <= 2);
        QCOMPARE(r.height() >= viewH / 2 - 1, fills);
        // Still drawable: the cube is there, nothing else broke the frame.
        const QImage img = v->grabFramebuffer();
        QVERIFY(!isBackground(img.pixelColor(75, 75)));
    }

    void dragTurns_data()
    {
        QTest::addColumn<int>("presetTool");
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("mods");
        QTest::addColumn<double>("degrees");
        // From the centre of the ball a drag of u unit widths turns by 2 asin(u);
        // in the cube corner the ball is the cube's 150 pixels.
        const double inCorner = 2 * std::asin(35.0 / 75.0) * 180 / M_PI;
        const double inView = 2 * std::asin(35.0 / 200.0) * 180 / M_PI;
        const QPoint centre(viewW / 2, viewH / 2);
        QTest::newRow("left drag in the cube corner")
            << 0 << QPoint(75, 75) << QPoint(110, 75) << int(Qt::LeftButton) << 0 << inCorner;
        QTest::newRow("left drag elsewhere does nothing")
            << 0 << centre << centre + QPoint(35, 0) << int(Qt::LeftButton) << 0 << 0.0;
        QTest::newRow("middle drag")
            << 0 << centre << centre + QPoint(35, 0) << int(Qt::MiddleButton) << 0 << inView;
        QTest::newRow("ctrl right drag") << 0 << centre << centre + QPoint(35, 0)
                                         << int(Qt::RightButton) << int(Qt::ControlModifier)
                                         << inView;
        QTest::newRow("plain right drag does nothing")
            << 0 << centre << centre + QPoint(35, 0) << int(Qt::RightButton) << 0 << 0.0;
        QTest::newRow("shift left in the corner zooms instead")
            << 0 << QPoint(75, 75) << QPoint(110, 75) << int(Qt::LeftButton)
            << int(Qt::ShiftModifier) << 0.0;
        QTest::newRow("left drag with the rotate tool chosen")
            << 3 << centre << centre + QPoint(35, 0) << int(Qt::LeftButton) << 0 << inView;
    }

    void dragTurns()
    {
        QFETCH(int, presetTool);
        QFETCH(QPoint, from);
        QFETCH(QPoint, to);
        QFETCH(int, button);
        QFETCH(int, mods);
        QFETCH(double, degrees);
        FacetWin* v = show(&square);
        QVERIFY(v);
        v->setViewTool(presetTool);
        const int before = length(span(v->grabFramebuffer(), true, 200, [](const QColor& c) {
            return !isBackground(c);
        }));

        drag(v, from, to, Qt::MouseButton(button), Qt::KeyboardModifiers(mods));
        QCOMPARE(v->currentViewTool(), presetTool);
        QVERIFY2(std::abs(angleOf(v->rotation()) - degrees) < 0.01,
                 qPrintable(QString::number(angleOf(v->rotation()))));

        // Turned about the screen's vertical axis, the plate's width shrinks
        // by the cosine; its 3-pixel edge shows by the sine.
        const int after = length(span(v->grabFramebuffer(), true, 200, [](const QColor& c) {
            return !isBackground(c);
        }));
        const double rad = degrees * M_PI / 180;
        QVERIFY2(std::abs(after - (before * std::cos(rad) + 3 * std::sin(rad))) <= 4,
                 qPrintable(QString("%1 -> %2").arg(before).arg(after)));
    }

    void doubleClickOnCube_data()
    {
        QTest::addColumn<Quaternion>("start");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<Quaternion>("expected");
        const Quaternion tilted = Quaternion::fromAngleAxisDegrees(30, 1, 0, 0);
        QTest::newRow("slightly tilted back to the top")
            << tilted << QPoint(75, 75) << viewOrientation(0);
        QTest::newRow("mostly tilted onto the +y face")
            << Quaternion::fromAngleAxisDegrees(60, 1, 0, 0) << QPoint(75, 75)
            << viewOrientation(1);
        QTest::newRow("outside the corner keeps the view") << tilted << QPoint(300, 200) << tilted;
        QTest::newRow("corner beside the cube keeps the view")
            << Quaternion() << QPoint(2, 2) << Quaternion();
    }

    void doubleClickOnCube()
    {
        QFETCH(Quaternion, start);
        QFETCH(QPoint, at);
        QFETCH(Quaternion, expected);
        FacetWin* v = show(&square);
        QVERIFY(v);
        v->setRotation(start);
        v->grabFramebuffer();
        sendMouse(v, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton, {});
        sendMouse(v, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton, {});
        sendMouse(v, QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::LeftButton, {});
        sendMouse(v, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton, {});
        QVERIFY(sameRotation(v->rotation(), expected));
    }

    void dragZoomsAndPans_data()
    {
        QTest::addColumn<int>("presetTool");
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("mods");
        QTest::addColumn<QPoint>("move");
        QTest::addColumn<double>("zoomAdded");
        QTest::addColumn<QPoint>("panned");
        const int shift = int(Qt::ShiftModifier);
        // 300 pixels of vertical drag add 1 to the zoom.
        QTest::newRow("shift left drag down zooms in")
            << 0 << int(Qt::LeftButton) << shift << QPoint(0, 150) << 0.5 << QPoint();
        QTest::newRow("shift left drag up zooms out")
            << 0 << int(Qt::LeftButton) << shift << QPoint(40, -60) << -0.2 << QPoint();
        QTest::newRow("ctrl shift left does not zoom")
            << 0 << int(Qt::LeftButton) << int(Qt::ShiftModifier | Qt::ControlModifier)
            << QPoint(0, 150) << 0.0 << QPoint();
        QTest::newRow("shift right drag pans")
            << 0 << int(Qt::RightButton) << shift << QPoint(30, -20) << 0.0 << QPoint(30, -20);
        QTest::newRow("left drag with the pan tool chosen")
            << 1 << int(Qt::LeftButton) << 0 << QPoint(-25, 15) << 0.0 << QPoint(-25, 15);
        QTest::newRow("left drag with the zoom tool chosen")
            << 2 << int(Qt::LeftButton) << 0 << QPoint(0, 60) << 0.2 << QPoint();
    }

    void dragZoomsAndPans()
    {
        QFETCH(int, presetTool);
        QFETCH(int, button);
        QFETCH(int, mods);
        QFETCH(QPoint, move);
        QFETCH(double, zoomAdded);
        QFETCH(QPoint, panned);
        FacetWin* v = show(&square);
        QVERIFY(v);
        v->setViewTool(presetTool);
        const double zoom0 = v->zoom();
        const QPoint pan0 = v->pan();
        const QImage before = v->grabFramebuffer();

        const QPoint from(250, 200);
        drag(v, from, from + move, Qt::MouseButton(button), Qt::KeyboardModifiers(mods));
        QCOMPARE(v->currentViewTool(), presetTool);
        QVERIFY(std::abs(v->zoom() - (zoom0 + zoomAdded)) < 1e-9);
        if (zoomAdded == 0.0)
            QCOMPARE(v->pan(), pan0 + panned);

        // The picture follows: the mesh's edges move with the pan and spread
        // with the zoom about the view's centre.
        const QImage after = v->grabFramebuffer();
        const QPair<int, int> a0 = span(before, true, 200, isMesh);
        const QPair<int, int> a1 = span(after, true, 200 + panned.y(), isMesh);
        const double scale = v->zoom() / zoom0;
        const double centre0 = (a0.first + a0.second) / 2.0;
        const double centre1 = (a1.first + a1.second) / 2.0;
        QVERIFY2(std::abs(centre1 - centre0 - panned.x()) <= 2,
                 qPrintable(QString("%1 -> %2").arg(centre0).arg(centre1)));
        QVERIFY(std::abs(length(a1) - length(a0) * scale) <= 3);
    }

    void wheelZoomsAboutCursor_data()
    {
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<QPoint>("angle");
        QTest::addColumn<int>("mods");
        QTest::addColumn<double>("factor");
        QTest::newRow("notch away at the centre")
            << QPoint(200, 150) << QPoint(0, 120) << 0 << 0.88;
        QTest::newRow("notch towards off centre")
            << QPoint(300, 220) << QPoint(0, -120) << 0 << 1.12;
        // Qt delivers the wheel sideways while Alt is held.
        QTest::newRow("alt turns the delta sideways")
            << QPoint(300, 220) << QPoint(-120, 0) << int(Qt::AltModifier) << 1.12;
        // Many notches in one event: without a bound the factor turns
        // negative, the zoom is refused and only the pan moves.
        QTest::newRow("burst away") << QPoint(320, 240) << QPoint(0, 4800) << 0 << -1.0;
        QTest::newRow("burst towards") << QPoint(320, 240) << QPoint(0, -4800) << 0 << -1.0;
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
        const QPoint pan0 = v->pan();
        const QPoint centre(viewW / 2, viewH / 2);
        // The model point under the cursor, in model units from the mesh's centre.
        const double mx = (at.x() - centre.x() - pan0.x()) / zoom0;
        const double my = (at.y() - centre.y() - pan0.y()) / zoom0;

        wheel(v, at, angle, Qt::KeyboardModifiers(mods));
        const double f = v->zoom() / zoom0;
        if (factor > 0) {
            QVERIFY(std::abs(f - factor) < 1e-9);
        } else {
            QVERIFY(f > 0 && std::isfinite(f));
            QVERIFY(angle.y() > 0 ? f < 0.9 : f > 1.1);
        }
        // That point stays nearly under the cursor: off by (1 - f)^2 of its
        // distance from the centre.
        const double sx = centre.x() + v->pan().x() + v->zoom() * mx;
        const double sy = centre.y() + v->pan().y() + v->zoom() * my;
        const double tolerance = (1 - f) * (1 - f) * std::hypot(at.x() - centre.x(),
                                                                at.y() - centre.y()) + 2;
        QVERIFY2(std::hypot(sx - at.x(), sy - at.y()) <= tolerance,
                 qPrintable(QString("(%1, %2) for (%3, %4)").arg(sx).arg(sy).arg(at.x()).arg(
                     at.y())));
    }

    // The facet arrays are built once, yet keep the picture of the direct
    // drawing: winding picks the front or back material, and the zoom's
    // scale does not dim the lighting.
    void shadesBothSides_data()
    {
        QTest::addColumn<bool>("flipped");
        QTest::addColumn<double>("zoomBy");
        QTest::newRow("front at the fitted zoom") << false << 1.0;
        QTest::newRow("front zoomed in") << false << 1.6;
        QTest::newRow("front zoomed out") << false << 0.3;
        QTest::newRow("back at the fitted zoom") << true << 1.0;
        QTest::newRow("back zoomed in") << true << 1.6;
    }

    void shadesBothSides()
    {
        QFETCH(bool, flipped);
        QFETCH(double, zoomBy);
        std::unique_ptr<FacetShape> shape = liftedSquare(flipped);
        FacetWin* v = show(shape.get());
        QVERIFY(v);
        const QPoint at(viewW / 2 + 15, viewH / 2 + 15);
        const QColor fitted = v->grabFramebuffer().pixelColor(at);
        v->zoomBy(zoomBy);
        const QColor c = v->grabFramebuffer().pixelColor(at);
        QVERIFY2(near(c, fitted.red(), fitted.green(), fitted.blue()),
                 qPrintable(c.name() + " vs " + fitted.name()));
        // Front: the brown (0.6, 0.4, 0.2); back: the pink (0.8, 0.4, 0.4).
        QVERIFY(c.red() > c.green() + 20);
        if (flipped)
            QVERIFY(c.blue() > c.green() * 4 / 5);
        else
            QVERIFY(c.blue() < c.green() * 3 / 5);
    }

    // The main window changes the mesh in place and only repaints.
    void showsMeshChanges_data()
    {
        QTest::addColumn<int>("change");
        QTest::addColumn<double>("widthRatio");
        QTest::newRow("scaled in place") << 0 << 0.5;
        QTest::newRow("handed over again after scaling") << 1 << 0.5;
        QTest::newRow("taken away") << 2 << 0.0;
    }

    void showsMeshChanges()
    {
        QFETCH(int, change);
        QFETCH(double, widthRatio);
        FacetShape shape;
        addRectangle(shape, 0, 0, 100, 100, 0);
        FacetWin* v = show(&shape);
        QVERIFY(v);
        const int before = length(span(v->grabFramebuffer(), true, 200, isMesh));
        if (change == 2) {
            v->setFacetShape(nullptr, true);
        } else {
            shape.transform(VekMath::Matrix3d(0.5, 1.0, 1.0));
            if (change == 1)
                v->setFacetShape(&shape, false);
            else
                v->update();
        }
        const QImage img = v->grabFramebuffer();
        const int after = length(span(img, true, 200, isMesh));
        QVERIFY2(std::abs(after - before * widthRatio) <= 2,
                 qPrintable(QString("%1 -> %2").arg(before).arg(after)));
        QVERIFY(!isBackground(img.pixelColor(75, 75)));
    }
};

MORVANE_GL_TEST_MAIN(TestFacetWin)

#include "tst_facetwin.moc"
