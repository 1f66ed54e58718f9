#include "windowtest.h"

#include "relief/reliefsource.h"

#include <QProgressDialog>
#include <QSlider>
#include <QTemporaryDir>

namespace {

QSlider* slider(MainWindow& window, const QString& name)
{
    return window.panel()->findChild<QSlider*>(name);
}

// The relief the import's controls ask for, as they show.
std::vector<float> reliefOfControls(MainWindow& window, bool basRelief)
{
    ReliefSource source = *window.currentModel()->source();
    source.smoothSteps = slider(window, QStringLiteral("smoothing"))->value() / 10.0;
    source.raiseLowerSteps = slider(window, QStringLiteral("raiseLower"))->value();
    source.trimSteps = slider(window, QStringLiteral("trim"))->value();
    source.tiltHorizontal = slider(window, QStringLiteral("tiltHorizontal"))->value();
    source.tiltVertical = slider(window, QStringLiteral("tiltVertical"))->value();
    source.tiltDirty = true;
    source.dirty = true;
    Relief relief(source);
    relief.rebuild(basRelief);
    return heightsOf(&relief);
}

bool updateShownStale(MainWindow& window)
{
    return window.panel()->findChild<QPushButton*>(QStringLiteral("update"))->styleSheet().contains(
        QLatin1String("red"));
}

// A window with a hill picture on the Import page and the bas-relief on.
std::unique_ptr<MainWindow> importWithBasRelief(const QTemporaryDir& dir)
{
    const QString png = dir.filePath(QStringLiteral("hill.png"));
    writePicture(png, 64, 64, [](int x, int y) { return hillPixel(x, y, 64); });
    auto window = openWindow();
    window->load(png, true);
    QTest::mouseClick(window->panel()->findChild<QPushButton*>(QStringLiteral("basReliefOn")), Qt::LeftButton);
    return window;
}

} // namespace

class TestImportUpdate : public QObject
{
    Q_OBJECT

private slots:
    void sliderMovedJustBeforeUpdateIsInTheBasRelief_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("tilt vertical") << QStringLiteral("tiltVertical");
        QTest::newRow("tilt horizontal") << QStringLiteral("tiltHorizontal");
        QTest::newRow("smoothing") << QStringLiteral("smoothing");
        QTest::newRow("raise / lower") << QStringLiteral("raiseLower");
        QTest::newRow("trim") << QStringLiteral("trim");
    }

    void sliderMovedJustBeforeUpdateIsInTheBasRelief()
    {
        QFETCH(QString, name);
        QTemporaryDir dir;
        auto window = importWithBasRelief(dir);
        QSlider* moved = slider(*window, name);
        const int before = moved->value();
        QTest::keyClick(moved, Qt::Key_PageUp);
        QVERIFY(moved->value() != before);
        QTest::mouseClick(window->panel()->findChild<QPushButton*>(QStringLiteral("update")), Qt::LeftButton);
        // Long enough for any timer the slider started.
        QTest::qWait(400);

        QVERIFY(heightsOf(window->currentModel()) == reliefOfControls(*window, true));
        QVERIFY(!updateShownStale(*window));
    }

    void changeArrivingDuringTheBasReliefWaitsForItsEnd()
    {
        QTemporaryDir dir;
        auto window = importWithBasRelief(dir);
        auto* update = window->panel()->findChild<QPushButton*>(QStringLiteral("update"));
        bool during = false;
        // Armed by the press, so that it can only fire once the click's
        // bas-relief lets events through.
        connect(update, &QPushButton::pressed, window.get(), [&] {
            QTimer::singleShot(0, window.get(), [&] {
                for (QWidget* top : QApplication::topLevelWidgets())
                    during = during || qobject_cast<QProgressDialog*>(top);
                slider(*window, QStringLiteral("tiltVertical"))->setValue(40);
                window->sculptWin()->setTilt(0, 40);
            });
        });
        QTest::mouseClick(update, Qt::LeftButton);
        QTest::qWait(400);

        QVERIFY(during);
        QCOMPARE(window->currentModel()->source()->tiltVertical, 40);
        QVERIFY(window->currentModel()->source()->dirty);
        QVERIFY(heightsOf(window->currentModel()) == reliefOfControls(*window, false));
        QVERIFY(updateShownStale(*window));
    }
};

MORVANE_WINDOW_TEST_MAIN(TestImportUpdate)
#include "tst_importupdate_gl.moc"
