// The back stage on a real display: where it pops up, which page it shows,
// hiding on focus loss only with the pointer outside, and the about page's
// single update request.
#include "common/isolatedhome.h"

#include "ui/aboutpage.h"
#include "ui/backstagewidget.h"
#include "ui/recentfileswidget.h"

#include <QCursor>
#include <QFocusEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

class TestBackStage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void popsUpBesideThePointer();
    void showingAgainBringsBackRecentPage();
    void focusLossHidesOnlyWithPointerOutside_data();
    void focusLossHidesOnlyWithPointerOutside();
    void aboutShownThriceChecksOncePerClick();

private:
    std::unique_ptr<IsolatedHome> home;
    std::unique_ptr<QWidget> window;
    BackStageWidget* stage = nullptr;
};

void TestBackStage::initTestCase()
{
    home = std::make_unique<IsolatedHome>();
}

void TestBackStage::init()
{
    window = std::make_unique<QWidget>();
    window->setGeometry(100, 100, 800, 600);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    stage = new BackStageWidget(window.get());
}

void TestBackStage::cleanup()
{
    window.reset();
}

void TestBackStage::popsUpBesideThePointer()
{
    stage->popUp(QPoint(300, 200));
    QVERIFY(stage->isVisible());
    QCOMPARE(stage->pos(), QPoint(274, 224));
    QVERIFY(stage->recentFilesWidget()->isVisible());
    QVERIFY(!stage->aboutPage()->isVisible());
}

void TestBackStage::showingAgainBringsBackRecentPage()
{
    stage->popUp(QPoint(300, 200));
    stage->showAbout();
    stage->showAbout();
    QVERIFY(stage->aboutPage()->isVisible());
    QVERIFY(!stage->recentFilesWidget()->isVisible());
    stage->hide();
    stage->popUp(QPoint(320, 220));
    QVERIFY(stage->recentFilesWidget()->isVisible());
    QVERIFY(!stage->aboutPage()->isVisible());
}

void TestBackStage::focusLossHidesOnlyWithPointerOutside_data()
{
    // Where the pointer is, as a share of the back stage's size from its
    // top-left corner, plus pixels.
    QTest::addColumn<double>("share");
    QTest::addColumn<int>("extra");
    QTest::addColumn<bool>("staysShown");
    QTest::newRow("inside") << 0.5 << 0 << true;
    QTest::newRow("on the far corner") << 1.0 << 0 << true;
    QTest::newRow("just past the far corner") << 1.0 << 1 << false;
    QTest::newRow("outside") << 0.0 << -30 << false;
}

void TestBackStage::focusLossHidesOnlyWithPointerOutside()
{
    QFETCH(double, share);
    QFETCH(int, extra);
    QFETCH(bool, staysShown);
    stage->popUp(QPoint(300, 200));
    const QPoint local(int(stage->width() * share) + extra, int(stage->height() * share) + extra);
    const QPoint global = stage->mapToGlobal(local);
    QCursor::setPos(global);
    QTRY_COMPARE(QCursor::pos(), global);
    QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(stage, &out);
    QCOMPARE(stage->isVisible(), staysShown);
}

void TestBackStage::aboutShownThriceChecksOncePerClick()
{
    QSignalSpy checks(stage->aboutPage(), &AboutPage::checkForUpdatesRequested);
    stage->aboutPage()->updateButton()->click();
    QCOMPARE(checks.count(), 0);
    stage->popUp(QPoint(300, 200));
    for (int i = 0; i < 3; ++i) {
        stage->showAbout();
        stage->showRecent();
    }
    stage->showAbout();
    QTest::mouseClick(stage->aboutPage()->updateButton(), Qt::LeftButton);
    QCOMPARE(checks.count(), 1);
}

QTEST_MAIN(TestBackStage)
#include "tst_backstage_gl.moc"
