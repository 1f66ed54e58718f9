#include "ui/statusbutton.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>
#include <QtTest>

namespace {

int timerCount(StatusButton* button)
{
    return QAbstractEventDispatcher::instance()->registeredTimers(button).size();
}

// Delivers one tick of the button's running timer without waiting a second.
void tick(StatusButton* button)
{
    const auto timers = QAbstractEventDispatcher::instance()->registeredTimers(button);
    QVERIFY(!timers.isEmpty());
    QTimerEvent event(timers.first().timerId);
    QCoreApplication::sendEvent(button, &event);
}

QStringList menuTexts(StatusButton* button)
{
    QStringList texts;
    for (const QAction* action : button->findChild<QMenu*>()->actions())
        texts << (action->isSeparator() ? QString("--") : action->text());
    return texts;
}

} // namespace

class TestStatusButton : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void installUpdateIsListedOnce();
    void blinkAlternatesAndEndsReleased_data();
    void blinkAlternatesAndEndsReleased();
    void blinkRunsOnRealTimer();
    void newBlinkAfterClickKeepsOneTimer();
    void menuPopsUpAtClickedPoint();

private:
    QMainWindow* window = nullptr;
    StatusButton* button = nullptr;
};

void TestStatusButton::init()
{
    window = new QMainWindow;
    window->setStatusBar(new QStatusBar);
    button = new StatusButton(window);
    window->setGeometry(40, 40, 320, 200);
}

void TestStatusButton::cleanup()
{
    delete window;
}

void TestStatusButton::installUpdateIsListedOnce()
{
    QCOMPARE(StatusButton::instance, button);
    QCOMPARE(button->parentWidget(), window->statusBar());
    QVERIFY(!button->defaultAction()->icon().isNull());

    QAction install("Install Update");
    QAction stranger("Never added");
    for (int i = 0; i < 3; ++i)
        button->addAction(&install);
    button->removeAction(&stranger);
    QCOMPARE(menuTexts(button), (QStringList{"Status", "--", "Install Update"}));
    button->removeAction(&install);
    QCOMPARE(menuTexts(button), (QStringList{"Status", "--"}));
}

void TestStatusButton::blinkAlternatesAndEndsReleased_data()
{
    QTest::addColumn<int>("ticks");
    QTest::addColumn<QList<bool>>("downAfterTick");

    QTest::newRow("one tick") << 1 << QList<bool>{false};
    QTest::newRow("three ticks") << 3 << QList<bool>{false, true, false};
    QTest::newRow("four ticks") << 4 << QList<bool>{true, false, true, false};
}

void TestStatusButton::blinkAlternatesAndEndsReleased()
{
    QFETCH(int, ticks);
    QFETCH(QList<bool>, downAfterTick);

    button->setStatusIcon(nullptr, 0);
    QCOMPARE(timerCount(button), 0);
    button->setStatusIcon(nullptr, ticks);
    for (bool down : downAfterTick) {
        QCOMPARE(timerCount(button), 1);
        tick(button);
        QCOMPARE(button->isDown(), down);
    }
    QCOMPARE(timerCount(button), 0);
}

void TestStatusButton::blinkRunsOnRealTimer()
{
    button->setStatusIcon(nullptr, 3);
    QTRY_VERIFY_WITH_TIMEOUT(button->isDown(), 2600);
    QTRY_COMPARE_WITH_TIMEOUT(timerCount(button), 0, 2600);
    QVERIFY(!button->isDown());
}

void TestStatusButton::newBlinkAfterClickKeepsOneTimer()
{
    button->setStatusIcon(nullptr, 3);
    button->customContextMenuRequested(QPoint(2, 2));
    // The click leaves the timer to end at its next tick; a blink started
    // before then must reuse it rather than start a second one.
    button->setStatusIcon(nullptr, 3);
    QCOMPARE(timerCount(button), 1);
    tick(button);
    tick(button);
    QVERIFY(button->isDown());
    tick(button);
    QVERIFY(!button->isDown());
    QCOMPARE(timerCount(button), 0);

    // Without a new blink, the tick after a click ends it.
    button->setStatusIcon(nullptr, 5);
    button->triggered(nullptr);
    tick(button);
    QCOMPARE(timerCount(button), 0);
}

void TestStatusButton::menuPopsUpAtClickedPoint()
{
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QMenu* menu = button->findChild<QMenu*>();

    button->customContextMenuRequested(QPoint(5, 3));
    QVERIFY(menu->isVisible());
    QCOMPARE(menu->pos(), button->mapToGlobal(QPoint(5, 3)));
    menu->hide();

    QTest::mouseClick(button, Qt::LeftButton);
    QTRY_VERIFY(menu->isVisible());
    QCOMPARE(menu->pos(), button->mapToGlobal(QPoint(0, 0)));
}

QTEST_MAIN(TestStatusButton)
#include "tst_statusbutton.moc"
