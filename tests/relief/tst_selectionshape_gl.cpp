#include "relief/selectionshape.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QtTest>

#include <GL/gl.h>

#include <memory>

namespace {

const int kSide = 40;

bool yellowNear(const QImage& image, int x, int y)
{
    // GL rows count up from the bottom; the image's from the top.
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            const QColor c = image.pixelColor(x + dx, kSide - 1 - (y + dy));
            if (c.red() > 150 && c.green() > 150 && c.blue() < 60)
                return true;
        }
    }
    return false;
}

} // namespace

class TestSelectionShapeGl : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void outlines_data();
    void outlines();

private:
    QImage render(const std::vector<OwnedPtr<SelectionShape>>& shapes);

    QOffscreenSurface m_surface;
    QOpenGLContext m_context;
    std::unique_ptr<QOpenGLFramebufferObject> m_fbo;
};

void TestSelectionShapeGl::initTestCase()
{
    QSurfaceFormat format;
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setOption(QSurfaceFormat::DeprecatedFunctions);
    m_surface.setFormat(format);
    m_surface.create();
    m_context.setFormat(format);
    QVERIFY(m_context.create());
    QVERIFY(m_context.makeCurrent(&m_surface));
    m_fbo = std::make_unique<QOpenGLFramebufferObject>(kSide, kSide);
}

QImage TestSelectionShapeGl::render(const std::vector<OwnedPtr<SelectionShape>>& shapes)
{
    m_fbo->bind();
    glViewport(0, 0, kSide, kSide);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, kSide, 0, kSide, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    drawSelectionShapes(shapes, 1.0);
    glFinish();
    m_fbo->release();
    return m_fbo->toImage();
}

void TestSelectionShapeGl::outlines_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QList<QPointF>>("points");
    QTest::addColumn<QList<QPoint>>("lit");
    QTest::addColumn<QList<QPoint>>("dark");

    const QList<QPointF> square{{10, 10}, {10, 30}, {30, 30}, {30, 10}};
    QTest::newRow("closed polygon") << 0 << square << QList<QPoint>{{20, 10}, {10, 20}, {20, 30}, {30, 20}}
                                    << QList<QPoint>{{20, 20}, {5, 5}};
    QTest::newRow("ellipse in the points' box")
        << 1 << QList<QPointF>{{10, 14}, {30, 26}} << QList<QPoint>{{30, 20}, {10, 20}, {20, 26}, {20, 14}}
        << QList<QPoint>{{20, 20}, {10, 14}, {30, 26}};
    QTest::newRow("open polygon") << 2 << QList<QPointF>{{10, 10}, {30, 10}, {30, 30}}
                                  << QList<QPoint>{{20, 10}, {30, 20}, {10, 10}}
                                  << QList<QPoint>{{20, 20}, {17, 17}};
    QTest::newRow("unknown kind") << 5 << square << QList<QPoint>{} << QList<QPoint>{{20, 10}, {10, 20}};
    QTest::newRow("ellipse without points") << 1 << QList<QPointF>{} << QList<QPoint>{}
                                            << QList<QPoint>{{20, 20}, {1, 1}};
}

void TestSelectionShapeGl::outlines()
{
    QFETCH(int, kind);
    QFETCH(QList<QPointF>, points);
    QFETCH(QList<QPoint>, lit);
    QFETCH(QList<QPoint>, dark);

    std::vector<OwnedPtr<SelectionShape>> shapes;
    shapes.push_back(makeOwned(new SelectionShape(kind)));
    for (const QPointF& p : points)
        shapes.back()->addPoint(p);
    const QImage image = render(shapes);
    for (const QPoint& p : lit)
        QVERIFY2(yellowNear(image, p.x(), p.y()), qPrintable(QString("dark at %1,%2").arg(p.x()).arg(p.y())));
    for (const QPoint& p : dark)
        QVERIFY2(!yellowNear(image, p.x(), p.y()), qPrintable(QString("lit at %1,%2").arg(p.x()).arg(p.y())));
    QCOMPARE(glGetError(), GLenum(GL_NO_ERROR));
}

QTEST_MAIN(TestSelectionShapeGl)
#include "tst_selectionshape_gl.moc"
