#include "views/cursors.h"

#include <QApplication>
#include <QBitmap>
#include <QPixmap>
#include <QTest>
#include <QWidget>

namespace {

// Four pixels square, two colours; the header varies.
const char* const sixNumbers[] = {"4 4 2 1 1 2", "  c None", ". c #000000",
                                  "....", ".  .", ".  .", "...."};
const char* const fourNumbers[] = {"4 4 2 1", "  c None", ". c #000000",
                                   "....", ".  .", ".  .", "...."};
const char* const brokenPicture[] = {"not a picture"};

} // namespace

class TestCursors : public QObject
{
    Q_OBJECT

private slots:
    void programCursors_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<QPoint>("hotSpot");
        QTest::newRow("zoom: from its header") << 0 << QPoint(11, 11);
        QTest::newRow("rotate: no hot spot, the centre") << 1 << QPoint(16, 16);
        QTest::newRow("pan: no hot spot, the centre") << 2 << QPoint(16, 16);
        QTest::newRow("move") << 3 << QPoint(15, 15);
        QTest::newRow("normal: the arrow's tip") << 4 << QPoint(10, 4);
        QTest::newRow("sample: two characters a pixel, bottom-left") << 5 << QPoint(0, 31);
    }

    void programCursors()
    {
        QFETCH(int, which);
        QFETCH(QPoint, hotSpot);

        initCursors();
        const QCursor* cursors[] = {&zoomCursor, &rotateCursor, &panCursor,
                                    &moveCursor, &normalCursor, &sampleCursor};
        const QCursor& cursor = *cursors[which];
        QCOMPARE(cursor.shape(), Qt::BitmapCursor);
        QCOMPARE(cursor.pixmap().size(), QSize(32, 32));
        QCOMPARE(cursor.hotSpot(), hotSpot);
    }

    void pictureHeaders_data()
    {
        QTest::addColumn<int>("picture");
        QTest::addColumn<Qt::CursorShape>("shape");
        QTest::addColumn<QPoint>("hotSpot");
        QTest::newRow("six numbers give the hot spot") << 0 << Qt::BitmapCursor << QPoint(1, 2);
        QTest::newRow("four numbers give the centre") << 1 << Qt::BitmapCursor << QPoint(2, 2);
        QTest::newRow("a broken picture gives the arrow") << 2 << Qt::ArrowCursor << QPoint(0, 0);
    }

    void pictureHeaders()
    {
        QFETCH(int, picture);
        QFETCH(Qt::CursorShape, shape);
        QFETCH(QPoint, hotSpot);

        const char* const* pictures[] = {sixNumbers, fourNumbers, brokenPicture};
        // Built before any picture is loaded, like the program's globals.
        QCursor cursor(Qt::WaitCursor);
        loadXpmCursor(cursor, pictures[picture]);
        QCOMPARE(cursor.shape(), shape);
        if (shape == Qt::BitmapCursor)
            QCOMPARE(cursor.hotSpot(), hotSpot);
        QWidget widget;
        widget.setCursor(cursor);
        QCOMPARE(widget.cursor().shape(), shape);
    }
};

QTEST_MAIN(TestCursors)
#include "tst_cursors.moc"
