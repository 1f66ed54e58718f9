#include "glsupport.h"

#include "views/shader/legacyshader.h"
#include "views/shader/legacyshader2d.h"
#include "views/shader/vboshader.h"
#include "views/shader/vboshader2d.h"

#include <memory>
#include <vector>

namespace {

const uint32_t R = Shader::restartIndex;

struct Mesh
{
    std::vector<float> positions;
    std::vector<float> normals;
    std::vector<float> selection;
    std::vector<uint32_t> indices;

    void vertex(float x, float y, float z, float nx, float ny, float nz, float s)
    {
        positions.insert(positions.end(), {x, y, z});
        normals.insert(normals.end(), {nx, ny, nz});
        selection.push_back(s);
    }
    uint32_t count() const { return uint32_t(selection.size()); }
};

// The whole 400 x 300 view as one strip at height z.
Mesh flatQuad(float z, float nx, float ny, float nz, float s)
{
    Mesh m;
    m.vertex(-200, -150, z, nx, ny, nz, s);
    m.vertex(-200, 150, z, nx, ny, nz, s);
    m.vertex(200, -150, z, nx, ny, nz, s);
    m.vertex(200, 150, z, nx, ny, nz, s);
    m.indices = {0, 1, 2, 3};
    return m;
}

void setColour(float* target, QColor c)
{
    target[0] = float(c.redF());
    target[1] = float(c.greenF());
    target[2] = float(c.blueF());
    target[3] = float(c.alphaF());
}

} // namespace

class TestShaders : public QObject
{
    Q_OBJECT

    GlCanvas canvas;

    std::unique_ptr<Shader> make(bool legacy, bool lit)
    {
        canvas.makeCurrent();
        Shader* s = nullptr;
        if (legacy)
            s = lit ? static_cast<Shader*>(new LegacyShader) : new LegacyShader2d;
        else
            s = lit ? static_cast<Shader*>(new VboShader) : new VboShader2d;
        s->size = 400;
        return std::unique_ptr<Shader>(s);
    }

    QImage render(Shader* shader, const Mesh& m)
    {
        canvas.paint = [&](QOpenGLFunctions_2_1*) {
            shader->setArrays(m.positions.data(), m.count() * 12, m.normals.data(),
                              m.count() * 12, m.selection.data(), m.count() * 4,
                              m.indices.data(), uint32_t(m.indices.size() * 4));
            shader->bind();
            shader->draw();
            shader->release();
        };
        QImage image = canvas.grabFramebuffer();
        canvas.paint = nullptr;
        return image;
    }

    void release(std::unique_ptr<Shader>& s)
    {
        canvas.makeCurrent();
        s.reset();
        canvas.doneCurrent();
    }

private slots:
    void initTestCase()
    {
        canvas.show();
        QVERIFY(QTest::qWaitForWindowExposed(&canvas));
    }

    void litColours_data()
    {
        QTest::addColumn<bool>("legacy");
        QTest::addColumn<float>("z");
        QTest::addColumn<QVector3D>("normal");
        QTest::addColumn<float>("selected");
        QTest::addColumn<QVector3D>("light");
        QTest::addColumn<QColor>("ambient");
        QTest::addColumn<QColor>("diffuse");
        QTest::addColumn<QColor>("specular");
        QTest::addColumn<float>("shinyness");
        QTest::addColumn<QPoint>("probe");
        QTest::addColumn<QColor>("expected");

        const QVector3D up(0, 0, 1);
        const QColor black(0, 0, 0);
        for (bool legacy : {false, true}) {
            const QByteArray e = legacy ? "2.1: " : "3.3: ";
            // ambient 0.2/0.1/0 + diffuse 0.3 facing the light: 0.5, 0.4, 0.3
            QTest::newRow(e + "raised surface lit by ambient and diffuse")
                << legacy << 10.f << up << 0.f << up << QColor::fromRgbF(0.2, 0.1, 0.0)
                << QColor::fromRgbF(0.3, 0.3, 0.3) << black << 1.f << QPoint(0, 0)
                << QColor::fromRgbF(0.5, 0.4, 0.3);
            QTest::newRow(e + "back face lit like the front")
                << legacy << 10.f << QVector3D(0, 0, -1) << 0.f << up
                << QColor::fromRgbF(0.2, 0.1, 0.0) << QColor::fromRgbF(0.3, 0.3, 0.3) << black
                << 1.f << QPoint(0, 0) << QColor::fromRgbF(0.5, 0.4, 0.3);
            QTest::newRow(e + "diffuse alpha weighs the diffuse colour")
                << legacy << 10.f << up << 0.f << up << black
                << QColor::fromRgbF(0.8, 0.4, 0.0, 0.5) << black << 1.f << QPoint(50, 50)
                << QColor::fromRgbF(0.4, 0.2, 0.0);
            // 0.5 * (white at the centre of the checkerboard) over black
            QTest::newRow(e + "at zero: checkerboard at half opacity, white square")
                << legacy << 0.f << up << 0.f << up << QColor::fromRgbF(0.2, 0.1, 0.0)
                << QColor::fromRgbF(0.3, 0.3, 0.3) << black << 1.f << QPoint(0, 0)
                << QColor(128, 128, 128);
            QTest::newRow(e + "below zero: checkerboard, grey square")
                << legacy << -3.f << up << 0.f << up << QColor::fromRgbF(0.2, 0.1, 0.0)
                << QColor::fromRgbF(0.3, 0.3, 0.3) << black << 1.f << QPoint(-150, -80)
                << QColor(102, 102, 102);
            // (0.5, 0.4, 0.3) tinted: normalize(1.5, 0.4, 0.3) * |(0.5, 0.4, 0.3)|
            QTest::newRow(e + "selected at zero is tinted, never checkerboard")
                << legacy << 0.f << up << 1.f << up << QColor::fromRgbF(0.2, 0.1, 0.0)
                << QColor::fromRgbF(0.3, 0.3, 0.3) << black << 1.f << QPoint(0, 0)
                << QColor::fromRgbF(0.6708, 0.1789, 0.1342);
            QTest::newRow(e + "black stays black when selected")
                << legacy << 5.f << up << 1.f << up << black << black << black << 1.f
                << QPoint(0, 0) << QColor(0, 0, 0);
            // N and H at right angles with Shinyness 0: the specular term is
            // 1, not pow(0, 0).
            QTest::newRow(e + "shinyness 0 with the half-vector at right angles")
                << legacy << 5.f << QVector3D(1, 0, 1) << 0.f << QVector3D(-1, 0, 0) << black
                << black << QColor(255, 255, 255) << 0.f << QPoint(0, 0)
                << QColor(255, 255, 255);
        }
    }

    void litColours()
    {
        QFETCH(bool, legacy);
        QFETCH(float, z);
        QFETCH(QVector3D, normal);
        QFETCH(float, selected);
        QFETCH(QVector3D, light);
        QFETCH(QColor, ambient);
        QFETCH(QColor, diffuse);
        QFETCH(QColor, specular);
        QFETCH(float, shinyness);
        QFETCH(QPoint, probe);
        QFETCH(QColor, expected);

        auto shader = make(legacy, true);
        shader->lightPosition[0] = light.x();
        shader->lightPosition[1] = light.y();
        shader->lightPosition[2] = light.z();
        setColour(shader->ambientMaterial, ambient);
        setColour(shader->diffuseMaterial, diffuse);
        setColour(shader->specularMaterial, specular);
        shader->shinyness = shinyness;
        const QImage image =
            render(shader.get(), flatQuad(z, normal.x(), normal.y(), normal.z(), selected));
        const QColor got = GlCanvas::at(image, probe.x(), probe.y());
        QVERIFY2(near(got, expected.red(), expected.green(), expected.blue()),
                 qPrintable(got.name() + " expected " + expected.name()));
        QCOMPARE(canvas.lastError, 0u);
        release(shader);
    }

    void heightColours_data()
    {
        QTest::addColumn<bool>("legacy");
        QTest::addColumn<float>("z");
        QTest::addColumn<float>("minZ");
        QTest::addColumn<float>("maxZ");
        QTest::addColumn<float>("offset");
        QTest::addColumn<QColor>("expected");

        for (bool legacy : {false, true}) {
            const QByteArray e = legacy ? "2.1: " : "3.3: ";
            QTest::newRow(e + "quarter of the range") << legacy << 63.75f << 0.f << 255.f << 0.f
                                                      << QColor(0, 128, 0);
            QTest::newRow(e + "half of the range") << legacy << 127.5f << 0.f << 255.f << 0.f
                                                   << QColor(0, 0, 128);
            QTest::newRow(e + "three quarters") << legacy << 191.25f << 0.f << 255.f << 0.f
                                                << QColor(0, 128, 255);
            QTest::newRow(e + "top of the range") << legacy << 255.f << 0.f << 255.f << 0.f
                                                  << QColor(0, 255, 128);
            QTest::newRow(e + "offset of 255 turns the palette once")
                << legacy << 63.75f << 0.f << 255.f << 255.f << QColor(0, 128, 0);
            QTest::newRow(e + "offset moves the palette") << legacy << 0.5f << 0.f << 2.f
                                                          << 63.75f << QColor(0, 0, 128);
            QTest::newRow(e + "flat range stays black") << legacy << 5.f << 3.f << 3.f << 0.f
                                                        << QColor(0, 0, 0);
        }
    }

    void heightColours()
    {
        QFETCH(bool, legacy);
        QFETCH(float, z);
        QFETCH(float, minZ);
        QFETCH(float, maxZ);
        QFETCH(float, offset);
        QFETCH(QColor, expected);

        auto shader = make(legacy, false);
        shader->minZ = minZ;
        shader->maxZ = maxZ;
        shader->colorOffset = offset;
        const QImage image = render(shader.get(), flatQuad(z, 0, 0, 1, 0));
        const QColor got = GlCanvas::at(image, 20, 10);
        QVERIFY2(near(got, expected.red(), expected.green(), expected.blue()),
                 qPrintable(got.name() + " expected " + expected.name()));
        QCOMPARE(canvas.lastError, 0u);
        release(shader);
    }

    void restartSeparatesStrips_data()
    {
        QTest::addColumn<bool>("legacy");
        QTest::addColumn<bool>("lit");
        QTest::newRow("3.3 lit") << false << true;
        QTest::newRow("3.3 height") << false << false;
        QTest::newRow("2.1 lit") << true << true;
        QTest::newRow("2.1 height") << true << false;
    }

    void restartSeparatesStrips()
    {
        QFETCH(bool, legacy);
        QFETCH(bool, lit);

        // Without the restart the strip would join the two triangles through
        // the gap between them, over the point (0, 5).
        Mesh m;
        m.vertex(-150, -100, 10, 0, 0, 1, 1);
        m.vertex(-150, 100, 10, 0, 0, 1, 1);
        m.vertex(-50, 0, 10, 0, 0, 1, 1);
        m.vertex(50, 0, 10, 0, 0, 1, 1);
        m.vertex(150, 100, 10, 0, 0, 1, 1);
        m.vertex(150, -100, 10, 0, 0, 1, 1);
        m.indices = {0, 1, 2, R, 3, 4, 5};

        auto shader = make(legacy, lit);
        setColour(shader->ambientMaterial, QColor(255, 255, 255));
        shader->minZ = 0;
        shader->maxZ = 40;
        const QImage image = render(shader.get(), m);
        QVERIFY(!near(GlCanvas::at(image, -120, 0), 0, 0, 0));
        QVERIFY(!near(GlCanvas::at(image, 120, 0), 0, 0, 0));
        QVERIFY(near(GlCanvas::at(image, 0, 5), 0, 0, 0));
        QCOMPARE(canvas.lastError, 0u);
        release(shader);
    }

    void missingArraysDrawNothing_data()
    {
        restartSeparatesStrips_data();
    }

    void missingArraysDrawNothing()
    {
        QFETCH(bool, legacy);
        QFETCH(bool, lit);

        auto shader = make(legacy, lit);
        setColour(shader->ambientMaterial, QColor(255, 255, 255));
        canvas.paint = [&](QOpenGLFunctions_2_1*) {
            shader->setArrays(nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
            shader->bind();
            shader->draw();
            shader->release();
        };
        const QImage image = canvas.grabFramebuffer();
        canvas.paint = nullptr;
        QVERIFY(near(GlCanvas::at(image, 0, 0), 0, 0, 0));
        QCOMPARE(canvas.lastError, 0u);
        release(shader);
    }

    void changedVerticesReachTheBuffers_data()
    {
        restartSeparatesStrips_data();
    }

    void changedVerticesReachTheBuffers()
    {
        QFETCH(bool, legacy);
        QFETCH(bool, lit);

        // Two quads side by side; only the right one is raised afterwards
        // and handed over as a vertex range.
        Mesh m;
        for (float x : {-200.f, 0.f, 0.f, 200.f}) {
            m.vertex(x, -150, 0, 0, 0, 1, 0);
            m.vertex(x, 150, 0, 0, 0, 1, 0);
        }
        m.indices = {0, 1, 2, 3, R, 4, 5, 6, 7};
        auto shader = make(legacy, lit);
        setColour(shader->ambientMaterial, QColor(255, 0, 0));
        setColour(shader->diffuseMaterial, QColor(0, 0, 0));
        shader->minZ = 0;
        shader->maxZ = 255;
        render(shader.get(), m);

        canvas.paint = [&](QOpenGLFunctions_2_1*) {
            for (uint32_t v : {4u, 5u, 6u, 7u})
                m.positions[3 * v + 2] = 63.75f;
            shader->updateVertices(m.positions.data(), m.normals.data(), m.selection.data(), 4,
                                   4);
            shader->bind();
            shader->draw();
            shader->release();
        };
        const QImage image = canvas.grabFramebuffer();
        canvas.paint = nullptr;
        // The left quad stays at zero (checkerboard); the right one now lies
        // above zero and takes the program's colour.
        QVERIFY(near(GlCanvas::at(image, -190, 0), 128, 128, 128, 3)
                || near(GlCanvas::at(image, -190, 0), 102, 102, 102, 3));
        const QColor right = GlCanvas::at(image, 190, 0);
        QVERIFY2(lit ? near(right, 255, 0, 0) : near(right, 0, 128, 0),
                 qPrintable(right.name()));
        QCOMPARE(canvas.lastError, 0u);
        release(shader);
    }

    void compileFailureThrowsAndLogs()
    {
        auto shader = make(true, true);
        const char* thrown = nullptr;
        try {
            shader->compileProgram("#version 120\nvoid main() { gl_Position = nonsense; }\n",
                                   "#version 120\nvoid main() { gl_FragColor = vec4(1.0); }\n");
        } catch (const char* text) {
            thrown = text;
        }
        QCOMPARE(thrown, "Shader compile failed...aborting!");
        QVERIFY(logText().contains("Critical: Compile log:: "));
        release(shader);
    }

    void linkFailureThrows()
    {
        auto shader = make(true, true);
        const char* thrown = nullptr;
        try {
            // Each stage compiles; the fragment stage calls a function no
            // stage defines, which only the linker finds.
            shader->compileProgram(
                "#version 120\nvoid main() { gl_Position = gl_Vertex; }\n",
                "#version 120\nvec4 missing();\nvoid main() { gl_FragColor = missing(); }\n");
        } catch (const char* text) {
            thrown = text;
        }
        QCOMPARE(thrown, "Shader link failed ... aborting!");
        release(shader);
    }
};

MORVANE_GL_TEST_MAIN(TestShaders)
#include "tst_shaders.moc"
