#include "relief/selectionshape.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QtTest>

#include <GL/gl.h>

class TestSelectionShapeGl : public QObject
{
    Q_OBJECT

private slots:
    void outlines_data();
    void outlines();
};

void TestSelectionShapeGl::outlines_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QList<QPointF>>("points");
    QTest::addColumn<QList<QPoint>>("lit");
    QTest::addColumn<QList<QPoint>>("dark");
    const QList<QPointF> square{{10, 10}, {10, 30}, {30, 30}, {30, 10}};
    QTest::newRow("closed polygon") << 0 << square << QList<QPoint>{{20, 10}, {10, 20}, {20, 30}, {30, 20}}
                                    << QList<QPoint>{{20, 20}, {5, 5}};
    QTest::newRow("ellipse in the points' box") << 1 << QList<QPointF>{{10, 14}, {30, 26}}
                                                << QList<QPoint>{{30, 20}, {10, 20}, {20, 26}, {20, 14}}
                                                << QList<QPoint>{{20, 20}, {10, 14}, {30, 26}};
    QTest::newRow("open polygon") << 2 << QList<QPointF>{{10, 10}, {30, 10}, {30, 30}}
                                  << QList<QPoint>{{20, 10}, {30, 20}, {10, 10}} << QList<QPoint>{{20, 20}, {17, 17}};
    QTest::newRow("unknown kind") << 5 << square << QList<QPoint>{} << QList<QPoint>{{20, 10}, {10, 20}};
    QTest::newRow("ellipse without points") << 1 << QList<QPointF>{} << QList<QPoint>{} << QList<QPoint>{{20, 20}};
}

void TestSelectionShapeGl::outlines()
{
    QFETCH(int, kind);
    QFETCH(QList<QPointF>, points);
    QFETCH(QList<QPoint>, lit);
    QFETCH(QList<QPoint>, dark);

    QSurfaceFormat format;
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setOption(QSurfaceFormat::DeprecatedFunctions);
    QOffscreenSurface surface;
    surface.setFormat(format);
    surface.create();
    QOpenGLContext context;
    context.setFormat(format);
    QVERIFY(context.create() && context.makeCurrent(&surface));
    const int side = 40;
    QOpenGLFramebufferObject fbo(side, side);
    fbo.bind();
    glViewport(0, 0, side, side);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, side, 0, side, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    std::vector<OwnedPtr<SelectionShape>> shapes;
    shapes.push_back(makeOwned(new SelectionShape(kind)));
    for (const QPointF& p : points)
        shapes.back()->addPoint(p);
    drawSelectionShapes(shapes, 1.0);
    glFinish();
    QCOMPARE(glGetError(), GLenum(GL_NO_ERROR));
    const QImage image = fbo.toImage();

    // Yellow within a pixel of (x, y); GL rows count up from the bottom.
    const auto yellowNear = [&](const QPoint& p) {
        for (int i = 0; i < 9; ++i) {
            const QColor c = image.pixelColor(p.x() + i % 3 - 1, side - 1 - (p.y() + i / 3 - 1));
            if (c.red() > 150 && c.green() > 150 && c.blue() < 60)
                return true;
        }
        return false;
    };
    for (const QPoint& p : lit)
        QVERIFY2(yellowNear(p), qPrintable(QString("dark at %1,%2").arg(p.x()).arg(p.y())));
    for (const QPoint& p : dark)
        QVERIFY2(!yellowNear(p), qPrintable(QString("lit at %1,%2").arg(p.x()).arg(p.y())));
}

QTEST_MAIN(TestSelectionShapeGl)
#include "tst_selectionshape_gl.moc"
