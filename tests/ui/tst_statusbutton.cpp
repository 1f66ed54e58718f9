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

} // namespace

class TestStatusButton : public QObject
{
    Q_OBJECT

    QMainWindow window;
    StatusButton* button = nullptr;

private slots:
    void initTestCase()
    {
        window.setStatusBar(new QStatusBar);
        button = new StatusButton(&window);
    }

    void installUpdateIsListedOnce()
    {
        QCOMPARE(StatusButton::instance, button);
        QCOMPARE(button->parentWidget(), window.statusBar());
        QAction install("Install Update");
        QAction stranger("Never added");
        for (int i = 0; i < 3; ++i)
            button->addAction(&install);
        button->removeAction(&stranger);
        QStringList texts;
        for (const QAction* action : button->findChild<QMenu*>()->actions())
            texts << (action->isSeparator() ? QString("--") : action->text());
        QCOMPARE(texts, (QStringList{"Status", "--", "Install Update"}));
        button->removeAction(&install);
        QCOMPARE(button->findChild<QMenu*>()->actions().size(), 2);
    }

    void blinkOfThreeTicksEndsReleased()
    {
        button->setStatusIcon(nullptr, 0);
        QCOMPARE(timerCount(button), 0);
        button->setStatusIcon(nullptr, 3);
        for (bool down : {false, true, false}) {
            QCOMPARE(timerCount(button), 1);
            tick(button);
            QCOMPARE(button->isDown(), down);
        }
        QCOMPARE(timerCount(button), 0);
    }

    void newBlinkAfterClickKeepsOneTimer()
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
};

QTEST_MAIN(TestStatusButton)
#include "tst_statusbutton.moc"
