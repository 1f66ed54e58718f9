#include "ui/splash.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QtTest>

class TestSplash : public QObject
{
    Q_OBJECT

private slots:
    void loadingPageShowsProgressAndCloses()
    {
        Splash splash;
        QCOMPARE(Splash::instance, &splash);
        auto* label = splash.findChild<QLabel*>("LoadingLabel");
        auto* bar = splash.findChild<QProgressBar*>("LoadingProgressBar");
        auto* stack = splash.findChild<QStackedWidget*>("SplashStackedWidget");
        auto* close = splash.findChild<QPushButton*>("ClosePushButton");
        QVERIFY(label && bar && stack && close);
        QCOMPARE(label->text(), QString("Loading..."));
        QCOMPARE(bar->value(), 13);
        QCOMPARE(close->size(), QSize(30, 30));

        splash.showLoadingPage();
        QVERIFY(QTest::qWaitForWindowExposed(&splash));
        QCOMPARE(stack->currentWidget()->objectName(), QString("LoadingPage"));
        QCOMPARE(splash.size(), QSize(551, 454));
        showSplashProgress(0, 40);
        QCOMPARE(label->text(), QString("Creating main window"));
        QCOMPARE(bar->value(), 40);
        showSplashProgress(7, 90);
        QCOMPARE(label->text(), QString("Loading..."));
        QCOMPARE(bar->value(), 90);

        QTest::mouseClick(close, Qt::LeftButton);
        QVERIFY(!splash.isVisible());
        QCOMPARE(Splash::instance, &splash);
    }

    void progressWithoutSplashDoesNothing()
    {
        {
            Splash splash;
        }
        QVERIFY(!Splash::instance);
        showSplashProgress(0, 50);
    }

    void centredGeometry_data()
    {
        QTest::addColumn<QRect>("desktop");
        QTest::addColumn<QRect>("geometry");
        QTest::newRow("two screens side by side") << QRect(0, 0, 3840, 1080) << QRect(684, 313, 551, 454);
        QTest::newRow("one wide screen") << QRect(0, 0, 1920, 1080) << QRect(684, 313, 551, 454);
        QTest::newRow("exactly 8:3 is one desktop") << QRect(0, 0, 2880, 1080) << QRect(1164, 313, 551, 454);
        QTest::newRow("desktop smaller than picture") << QRect(0, 0, 500, 400) << QRect(-25, -27, 551, 454);
    }

    void centredGeometry()
    {
        QFETCH(QRect, desktop);
        QFETCH(QRect, geometry);
        QCOMPARE(Splash::centredGeometry(desktop, QSize(551, 454)), geometry);
    }
};

QTEST_MAIN(TestSplash)
#include "tst_splash.moc"
