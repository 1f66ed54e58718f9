// The relief views of the real main window as a user meets them: a model set
// after the view was turned comes into sight, the position in the status bar
// follows an undo, a zoom and a fit under a pointer that stays still, and the
// 2-D view shows a changed import setting at once.
#include "windowtest.h"

#include "app/ribbontabs.h"
#include "files/ptrfile.h"
#include "relief/reliefsource.h"
#include "views/flatwin.h"
#include "views/viewgeometry.h"

#include <QCheckBox>
#include <QScreen>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QWheelEvent>

namespace {

// The bounds of the frame's pixels that are not black, outside the view
// cube's corner.
QRect litBounds(SculptWin* view)
{
    const QImage frame = view->grabFramebuffer();
    const int corner = 150 * frame.width() / view->width();
    QRect lit;
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x)
            if ((x >= corner || y >= corner) && (frame.pixel(x, y) & 0xFFFFFF) != 0)
                lit |= QRect(x, y, 1, 1);
    return lit;
}

// A height field of a round hill.
QString writeHill(const QTemporaryDir& dir, int size)
{
    Relief relief(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            relief.heights()[y * size + x] = float(qGray(hillPixel(x, y, size)));
    const QString path = dir.filePath(QStringLiteral("hill.ptr"));
    return PtrFile::save(path, relief, 255, QString()).ok() ? path : QString();
}

// A middle-button drag from the middle, which turns the view whatever tool
// is chosen.
void turnView(SculptWin* view, QPoint by)
{
    const QPoint from(view->width() / 2, view->height() / 2);
    sendMouse(view, QEvent::MouseButtonPress, from, Qt::MiddleButton, Qt::MiddleButton);
    for (int i = 1; i <= 4; ++i)
        sendMouse(view, QEvent::MouseMove, from + by * i / 4, Qt::NoButton, Qt::MiddleButton);
    sendMouse(view, QEvent::MouseButtonRelease, from + by, Qt::MiddleButton, Qt::NoButton);
}

// A block 1.5 inches tall in the middle of a relief, with an arm half an
// inch high running from it to the right.
Relief* blockWithArm()
{
    auto* relief = new Relief(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 24; x < 60; ++x)
            if (y >= 24 && y < 40 && x < 40)
                relief->heights()[y * 64 + x] = 192.0f;
            else if (y >= 28 && y < 36)
                relief->heights()[y * 64 + x] = 64.0f;
    return relief;
}

void turnWheel(QWidget* view, QPoint at, int delta)
{
    QWheelEvent event(QPointF(at), QPointF(view->mapToGlobal(at)), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view, &event);
}

// The status text's place under the pointer, without the height: seen
// from above it does not depend on the heights.
QString placeUnder(SculptWin* view, QPoint p)
{
    return ViewGeometry::positionText(*view->currentRelief(), view->pickPoint(p)).section(QStringLiteral(" z = "), 0, 0);
}

// What the screen shows of the widget now, without drawing it again.
QImage onScreen(QWidget* view)
{
    const QPoint at = view->mapTo(view->window(), QPoint(0, 0));
    return view->screen()->grabWindow(view->window()->winId(), at.x(), at.y(), view->width(), view->height())
        .toImage().convertToFormat(QImage::Format_RGB32);
}

// A large letter F, white on grey, the right way up.
QRgb letterF(int x, int y)
{
    const bool stem = x >= 12 && x < 22 && y >= 8 && y < 56;
    const bool top = x >= 12 && x < 52 && y >= 8 && y < 18;
    const bool middle = x >= 12 && x < 42 && y >= 28 && y < 38;
    return stem || top || middle ? qRgb(255, 255, 255) : qRgb(64, 64, 64);
}

} // namespace

class TestSculptViewWindow : public QObject
{
    Q_OBJECT

private slots:
    void modelSetAfterTurningIsInSight_data()
    {
        QTest::addColumn<QPoint>("turn");
        QTest::addColumn<bool>("opened");
        QTest::newRow("opened after tipping forward") << QPoint(0, 250) << true;
        QTest::newRow("opened after turning sideways") << QPoint(300, 0) << true;
        QTest::newRow("import set in a tipped view") << QPoint(0, 250) << false;
    }

    void modelSetAfterTurningIsInSight()
    {
        QFETCH(QPoint, turn);
        QFETCH(bool, opened);
        QTemporaryDir dir;
        const QString path = writeHill(dir, 64);
        QVERIFY(!path.isEmpty());
        auto window = openWindow();
        SculptWin* view = window->sculptWin();
        turnView(view, turn);
        if (opened) {
            ModalAnswerer answerer;
            answerer.fileNames << path;
            QTest::keyClick(view, Qt::Key_O, Qt::ControlModifier);
            QCOMPARE(answerer.fileDialogs, 1);
        } else {
            // Its heights are generated only once it is the model.
            std::unique_ptr<ReliefSource> source;
            QVERIFY(PtrFile::load(path, QString(), source).ok());
            window->setModel(new Relief(*source), 0);
        }
        QVERIFY(window->currentModel()->width() < 300);
        // Whole within the frame, and filling half of it one way at least.
        const QRect lit = litBounds(view);
        const QSize frame = view->grabFramebuffer().size();
        const QString shown = QStringLiteral("%1,%2 %3x%4").arg(lit.x()).arg(lit.y()).arg(lit.width()).arg(lit.height());
        QVERIFY2(QRect(QPoint(1, 1), frame - QSize(2, 2)).contains(lit), qPrintable(shown));
        QVERIFY2(lit.width() > frame.width() / 2 || lit.height() > frame.height() / 2, qPrintable(shown));
    }

    void positionFollowsAnUndoUnderAStillPointer()
    {
        auto window = openWindow();
        window->ribbonWidget()->setCurrentTab(tabSculptingTools);
        SculptWin* view = window->sculptWin();
        QTest::keyClick(view, Qt::Key_3);
        Relief* relief = window->currentModel();
        std::fill(relief->heights(), relief->heights() + relief->cellCount(), 20.0f);
        relief->setHeightMax(20.0);
        relief->mergeChangedRect(relief->fullRect());
        view->setToolStrength(1.0);
        strokeAcross(view);
        const QPoint centre(view->width() / 2, view->height() / 2);
        sendMouse(view, QEvent::MouseMove, centre, Qt::NoButton, Qt::NoButton);
        // Seen from above, the place under the pointer does not move with
        // the heights.
        const QString place = ViewGeometry::positionText(*relief, view->pickPoint(centre)).section(QStringLiteral(" z = "), 0, 0);
        QStatusBar* bar = window->statusBar();
        QTRY_VERIFY2(bar->currentMessage().startsWith(place) && !bar->currentMessage().endsWith(QStringLiteral("z = 0.16")),
                     qPrintable(bar->currentMessage()));
        QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
        QTRY_COMPARE_WITH_TIMEOUT(bar->currentMessage(), place + QStringLiteral(" z = 0.16"), 1500);
    }

    void positionFollowsAFitUnderAStillPointer()
    {
        auto window = openWindow();
        window->setModel(blockWithArm(), 1);
        window->ribbonWidget()->setCurrentTab(tabSculptingTools);
        SculptWin* view = window->sculptWin();
        view->grabFramebuffer();
        QStatusBar* bar = window->statusBar();
        const QPoint centre(view->width() / 2, view->height() / 2);
        // Over the arm when the whole relief is shown, over the block
        // once zoomed in about the middle.
        const QPoint still = centre + QPoint(int(10 * view->zoom()), 0);
        sendMouse(view, QEvent::MouseMove, still, Qt::NoButton, Qt::NoButton);
        const QString overArm = placeUnder(view, still) + QStringLiteral(" z = 0.50");
        QTRY_COMPARE(bar->currentMessage(), overArm);
        // Four notches in, each drawn before the next as a hand turns them.
        sendMouse(view, QEvent::MouseMove, centre, Qt::NoButton, Qt::NoButton);
        for (int i = 0; i < 4; ++i) {
            turnWheel(view, centre, -120);
            QTest::qWait(50);
        }
        sendMouse(view, QEvent::MouseMove, still, Qt::NoButton, Qt::NoButton);
        QTRY_VERIFY2(bar->currentMessage().endsWith(QStringLiteral(" z = 1.50")), qPrintable(bar->currentMessage()));
        QTest::keyClick(view, Qt::Key_F);
        QTRY_COMPARE_WITH_TIMEOUT(bar->currentMessage(), overArm, 1500);
    }

    void flatViewFollowsTheImportSettings_data()
    {
        QTest::addColumn<QString>("box");
        QTest::newRow("flip y") << QStringLiteral("flipY");
        QTest::newRow("invert z") << QStringLiteral("invertZ");
    }

    void flatViewFollowsTheImportSettings()
    {
        QFETCH(QString, box);
        QTemporaryDir dir;
        const QString png = dir.filePath(QStringLiteral("f.png"));
        QVERIFY(writePicture(png, 64, 64, letterF));
        auto window = openWindow();
        window->load(png, true);
        window->ribbonWidget()->setCurrentTab(tab2dEdit);
        FlatWin* flat = window->flatWin();
        QVERIFY(flat->isVisible());
        // The panel's layout settles under the 2D Edit page first.
        QTest::qWait(200);
        QTRY_COMPARE(onScreen(flat), flat->grabFramebuffer().convertToFormat(QImage::Format_RGB32));
        const QImage before = onScreen(flat);
        auto* check = window->panel()->findChild<QCheckBox*>(box);
        // On its box: the check box is wider than its box and text.
        QTest::mouseClick(check, Qt::LeftButton, Qt::NoModifier, QPoint(8, check->height() / 2));
        QVERIFY(check->isChecked());
        QTRY_VERIFY_WITH_TIMEOUT(onScreen(flat) != before, 1000);
        // Drawing it now, which a grab does, shows nothing else.
        const QImage shown = onScreen(flat);
        QVERIFY(shown == flat->grabFramebuffer().convertToFormat(QImage::Format_RGB32));
    }
};

MORVANE_WINDOW_TEST_MAIN(TestSculptViewWindow)
#include "tst_sculptview_window_gl.moc"
