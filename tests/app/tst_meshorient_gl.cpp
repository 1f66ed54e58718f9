// The "Orient / Scale" controls over a real mesh view: the size limit at its
// edge, scale menus under each aspect lock, target sizes, resetting, and an
// Accept that has no heights to hand on.
#include "views/glsupport.h"

#include "tst_meshorient_shapes.h"

#include "app/meshorientcontrols.h"
#include "mesh/facetshape.h"
#include "relief/relief.h"
#include "ui/ribbon.h"
#include "views/facetwin.h"

#include <QAction>
#include <QButtonGroup>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>

#include <cmath>
#include <memory>

using VekMath::Vector3d;

Q_DECLARE_METATYPE(VekMath::Vector3d)
Q_DECLARE_METATYPE(Relief*)

namespace {

const QString orientTab = QStringLiteral("Orient / Scale");

std::unique_ptr<FacetShape> box(double x, double y, double z)
{
    auto s = std::make_unique<FacetShape>();
    addBox(*s, Vector3d(0, 0, 0), Vector3d(x, y, z));
    return s;
}

Vector3d extents(const FacetShape& s)
{
    return s.boundsMax() - s.boundsMin();
}

} // namespace

class TestMeshOrient : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void footprintLimitHoldsAtItsEdge_data();
    void footprintLimitHoldsAtItsEdge();
    void scaleMenuFollowsAspectLock_data();
    void scaleMenuFollowsAspectLock();
    void targetSizeInWorkingUnits();
    void flatAxisRefusesTargetSize();
    void leavingUnchangedFieldKeepsScale();
    void resetAxesRefreshesFieldsAndAccept();
    void newMeshStartsWithUnitFactors();
    void emptyRasterKeepsModelAndSaysSo();
    void tabChangesAfterAcceptAreBracketed();

private:
    void typeSize(int axis, const QString& text);

    std::unique_ptr<QWidget> window;
    FacetWin* view = nullptr;
    Ribbon* ribbon = nullptr;
    MeshOrientControls* controls = nullptr;
    std::unique_ptr<FacetShape> mesh;
};

void TestMeshOrient::init()
{
    qRegisterMetaType<Relief*>();
    window = std::make_unique<QWidget>();
    window->resize(900, 500);
    ribbon = new Ribbon(window.get());
    ribbon->setGeometry(0, 0, 900, 150);
    for (const char* t : {"View Settings", "Scale Z", "Sculpting Tools", "2D Edit", "Export", "Orient / Scale"})
        ribbon->addTab(QString::fromLatin1(t));
    view = new FacetWin(window.get());
    view->setGeometry(0, 150, 400, 300);
    controls = new MeshOrientControls(view, window.get());
    controls->addGroups(ribbon, orientTab);
    ribbon->setCurrentTab(orientTab);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void TestMeshOrient::cleanup()
{
    window.reset();
    mesh.reset();
}

void TestMeshOrient::typeSize(int axis, const QString& text)
{
    QDoubleSpinBox* field = controls->sizeField(axis);
    QLineEdit* edit = field->findChild<QLineEdit*>();
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(field, Qt::Key_Return);
}

void TestMeshOrient::footprintLimitHoldsAtItsEdge_data()
{
    QTest::addColumn<int>("units");
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("40 x 50 in") << 0 << 40.0 << 50.0 << false;
    QTest::newRow("40 x 49.9 in") << 0 << 40.0 << 49.9 << true;
    QTest::newRow("1016 x 1270 mm") << 2 << 1016.0 << 1270.0 << false;
    QTest::newRow("1016 x 1269 mm") << 2 << 1016.0 << 1269.0 << true;
    QTest::newRow("101.6 x 127 cm") << 1 << 101.6 << 127.0 << false;
}

void TestMeshOrient::footprintLimitHoldsAtItsEdge()
{
    QFETCH(int, units);
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(bool, accepted);
    mesh = box(x, y, 1.0);
    controls->setMesh(mesh.get());
    controls->importUnitsGroup()->button(units)->click();
    QCOMPARE(controls->importUnits(), units);

    QPushButton* accept = controls->acceptButton();
    QCOMPARE(accept->text(), accepted ? QStringLiteral("Accept") : QStringLiteral("Too \n Big"));
    QCOMPARE(accept->styleSheet().contains(QLatin1String("background-color: red")), !accepted);
    if (accepted)
        return;
    QSignalSpy finished(controls, &MeshOrientControls::acceptFinished);
    QTest::mouseClick(accept, Qt::LeftButton);
    QCOMPARE(finished.count(), 0);
    QCOMPARE(controls->mesh(), mesh.get());
}

void TestMeshOrient::scaleMenuFollowsAspectLock_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<double>("startX");
    QTest::addColumn<int>("axis");
    QTest::addColumn<QString>("choice");
    QTest::addColumn<Vector3d>("factors");
    QTest::addColumn<Vector3d>("growth");
    QTest::newRow("locked from ones") << 0 << 1.0 << 0 << "2" << Vector3d(2, 2, 2) << Vector3d(2, 2, 2);
    QTest::newRow("xy locked from ones") << 1 << 1.0 << 0 << "2" << Vector3d(2, 2, 1) << Vector3d(2, 2, 1);
    QTest::newRow("free from ones") << 2 << 1.0 << 0 << "2" << Vector3d(2, 1, 1) << Vector3d(2, 1, 1);
    QTest::newRow("locked from x at 2") << 0 << 2.0 << 0 << "2" << Vector3d(4, 4, 4) << Vector3d(2, 4, 4);
    QTest::newRow("reset x in free mode") << 2 << 2.0 << 0 << "Reset" << Vector3d(1, 1, 1)
                                           << Vector3d(0.5, 1, 1);
}

void TestMeshOrient::scaleMenuFollowsAspectLock()
{
    QFETCH(int, mode);
    QFETCH(double, startX);
    QFETCH(int, axis);
    QFETCH(QString, choice);
    QFETCH(Vector3d, factors);
    QFETCH(Vector3d, growth);
    mesh = box(1.0, 2.0, 3.0);
    controls->setMesh(mesh.get());
    controls->setAspectMode(2);
    controls->setMeshScale(0, startX);
    controls->setAspectMode(mode);
    const Vector3d before = extents(*mesh);

    QMenu* menu = controls->scaleButton(axis)->menu();
    QAction* act = menu->actions().at(zScaleChoices().indexOf(choice));
    QCOMPARE(act->text(), choice);
    act->trigger();

    QCOMPARE(controls->scaleX(), factors.x);
    QCOMPARE(controls->scaleY(), factors.y);
    QCOMPARE(controls->scaleZ(), factors.z);
    const Vector3d after = extents(*mesh);
    QVERIFY(std::abs(after.x - before.x * growth.x) < 1e-9);
    QVERIFY(std::abs(after.y - before.y * growth.y) < 1e-9);
    QVERIFY(std::abs(after.z - before.z * growth.z) < 1e-9);
    QCOMPARE(controls->sizeField(1)->value(), std::round(after.y * 100) / 100);
}

void TestMeshOrient::targetSizeInWorkingUnits()
{
    mesh = box(4.0, 5.0, 1.0);
    controls->setMesh(mesh.get());
    controls->setAspectMode(2);
    controls->workingUnitsGroup()->button(Units::Centimetre)->click();
    QCOMPARE(controls->unitFactor(), 2.54);
    QCOMPARE(controls->sizeField(1)->value(), 12.7);

    typeSize(1, QStringLiteral("10"));
    QVERIFY(std::abs(extents(*mesh).y - 10 / 2.54) < 1e-9);
    QCOMPARE(extents(*mesh).x, 4.0);
    QCOMPARE(controls->sizeField(1)->value(), 10.0);
    QCOMPARE(controls->sizeField(1)->styleSheet(), QStringLiteral("* { color: black }"));

    typeSize(1, QStringLiteral("0"));
    QCOMPARE(controls->sizeField(1)->styleSheet(), QStringLiteral("* { color: red }"));
    QCOMPARE(controls->scaleY(), 1.0);
    QVERIFY(std::abs(extents(*mesh).y - 5.0) < 1e-9);
}

void TestMeshOrient::flatAxisRefusesTargetSize()
{
    mesh = std::make_unique<FacetShape>();
    mesh->addFacet(Facet(Vector3d(0, 0, 0), Vector3d(2, 0, 0), Vector3d(2, 3, 0), Vector3d()));
    controls->setMesh(mesh.get());
    controls->setAspectMode(2);
    typeSize(2, QStringLiteral("5"));
    QCOMPARE(controls->scaleZ(), 1.0);
    QCOMPARE(controls->sizeField(2)->value(), 0.0);
    for (const Vector3d& c : mesh->facets().first().corners)
        QVERIFY(std::isfinite(c.x) && std::isfinite(c.y) && std::isfinite(c.z));
    QCOMPARE(extents(*mesh).x, 2.0);
}

void TestMeshOrient::leavingUnchangedFieldKeepsScale()
{
    mesh = box(1.0 / 3.0, 1.0, 1.0);
    controls->setMesh(mesh.get());
    emit controls->sizeField(0)->editingFinished();
    QCOMPARE(controls->scaleX(), 1.0);
    QCOMPARE(extents(*mesh).x, 1.0 / 3.0);
}

void TestMeshOrient::resetAxesRefreshesFieldsAndAccept()
{
    mesh = box(30.0, 30.0, 2.0);
    controls->setMesh(mesh.get());
    controls->setMeshScale(0, 2.0);
    QCOMPARE(controls->acceptButton()->text(), QStringLiteral("Too \n Big"));
    controls->rotateUp();
    QCOMPARE(controls->sizeField(1)->value(), 4.0);

    controls->resetAxes();
    QCOMPARE(controls->scaleX(), 1.0);
    QCOMPARE(controls->scaleZ(), 1.0);
    QCOMPARE(controls->sizeField(0)->value(), 30.0);
    QCOMPARE(controls->sizeField(1)->value(), 30.0);
    QCOMPARE(controls->sizeField(2)->value(), 2.0);
    QCOMPARE(controls->acceptButton()->text(), QStringLiteral("Accept"));
    QVERIFY(controls->acceptEnabled());
}

void TestMeshOrient::newMeshStartsWithUnitFactors()
{
    mesh = box(1.0, 1.0, 1.0);
    controls->setMesh(mesh.get());
    controls->setMeshScale(0, 2.0);
    QCOMPARE(controls->scaleY(), 2.0);
    auto next = box(3.0, 1.0, 1.0);
    controls->setMesh(next.get());
    QCOMPARE(controls->scaleX(), 1.0);
    QCOMPARE(controls->scaleY(), 1.0);
    QCOMPARE(controls->scaleZ(), 1.0);
    QCOMPARE(controls->sizeField(0)->value(), 3.0);
    QCOMPARE(view->facetShape(), next.get());
    controls->setMesh(nullptr);
}

void TestMeshOrient::emptyRasterKeepsModelAndSaysSo()
{
    // Upright: no footprint, so no cell to rasterise into.
    mesh = std::make_unique<FacetShape>();
    mesh->addFacet(Facet(Vector3d(0, 0, 0), Vector3d(0, 1, 0), Vector3d(0, 1, 1), Vector3d()));
    controls->setMesh(mesh.get());
    QVERIFY(controls->acceptEnabled());
    QSignalSpy accepted(controls, &MeshOrientControls::reliefAccepted);
    QSignalSpy finished(controls, &MeshOrientControls::acceptFinished);
    QString shown;
    QTimer::singleShot(0, [&shown] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = box->text();
            box->accept();
        }
    });
    controls->acceptFacetShape();
    QVERIFY(!shown.isEmpty());
    QCOMPARE(accepted.count(), 0);
    QCOMPARE(finished.count(), 1);
}

void TestMeshOrient::tabChangesAfterAcceptAreBracketed()
{
    mesh = box(1.0 / 64, 1.0 / 64, 1.0 / 64);
    controls->setMesh(mesh.get());
    int depth = 0;
    int outside = 0;
    int inside = 0;
    connect(controls, &MeshOrientControls::tabSwitchBegins, this, [&] { ++depth; });
    connect(controls, &MeshOrientControls::tabSwitchEnds, this, [&] { --depth; });
    connect(ribbon, &QTabWidget::currentChanged, this, [&] { ++(depth > 0 ? inside : outside); });
    std::unique_ptr<Relief> relief;
    connect(controls, &MeshOrientControls::reliefAccepted, this, [&](Relief* r) { relief.reset(r); });
    controls->acceptFacetShape();
    QVERIFY(inside > 0);
    QCOMPARE(outside, 0);
    QCOMPARE(depth, 0);
    QCOMPARE(ribbon->tabText(ribbon->currentIndex()), QStringLiteral("Scale Z"));
}

MORVANE_GL_TEST_MAIN(TestMeshOrient)
#include "tst_meshorient_gl.moc"
