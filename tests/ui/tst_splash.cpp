#include "ui/splash.h"

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QtTest>

class TestSplash : public QObject
{
    Q_OBJECT

private slots:
    void formIsLoadedWithItsTexts();
    void windowIsCentredOnDesktop();
    void centredGeometry_data();
    void centredGeometry();
    void progressShowsStepText_data();
    void progressShowsStepText();
    void progressWithoutSplashDoesNothing();
    void closeButtonHidesWindow();
};

void TestSplash::formIsLoadedWithItsTexts()
{
    Splash splash;
    QCOMPARE(Splash::instance, &splash);
    QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(splash.windowFlags() & Qt::WindowStaysOnTopHint);

    QLabel* label = splash.findChild<QLabel*>("LoadingLabel");
    QProgressBar* bar = splash.findChild<QProgressBar*>("LoadingProgressBar");
    QStackedWidget* stack = splash.findChild<QStackedWidget*>("SplashStackedWidget");
    QVERIFY(label);
    QVERIFY(bar);
    QVERIFY(stack);
    QCOMPARE(label->text(), QString("Loading..."));
    QCOMPARE(label->palette().color(QPalette::Active, QPalette::WindowText), QColor(255, 255, 255));
    QCOMPARE(bar->value(), 13);
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 100);
    QVERIFY(!bar->isTextVisible());
    QCOMPARE(bar->palette().color(QPalette::Active, QPalette::Highlight), QColor(255, 170, 0));
    QVERIFY(splash.findChild<QWidget*>("SplashWidget"));
    QPushButton* close = splash.findChild<QPushButton*>("ClosePushButton");
    QVERIFY(close);
    QCOMPARE(close->size(), QSize(30, 30));
    QVERIFY(!close->icon().isNull());

    splash.showLoadingPage();
    QVERIFY(splash.isVisible());
    QCOMPARE(stack->currentWidget()->objectName(), QString("LoadingPage"));
}

void TestSplash::windowIsCentredOnDesktop()
{
    const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
    Splash splash;
    splash.showLoadingPage();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    QCOMPARE(splash.size(), QSize(551, 454));
    if (double(desktop.width()) / desktop.height() <= 8.0 / 3.0)
        QCOMPARE(splash.pos(), QPoint((desktop.width() - 551) / 2, (desktop.height() - 454) / 2));
}

void TestSplash::centredGeometry_data()
{
    QTest::addColumn<QRect>("desktop");
    QTest::addColumn<QRect>("geometry");

    QTest::newRow("two screens side by side") << QRect(0, 0, 3840, 1080) << QRect(684, 313, 551, 454);
    QTest::newRow("one wide screen") << QRect(0, 0, 1920, 1080) << QRect(684, 313, 551, 454);
    QTest::newRow("exactly 8:3 is one desktop") << QRect(0, 0, 2880, 1080) << QRect(1164, 313, 551, 454);
    QTest::newRow("desktop smaller than picture") << QRect(0, 0, 500, 400) << QRect(-25, -27, 551, 454);
    QTest::newRow("no desktop") << QRect() << QRect(-275, -227, 551, 454);
}

void TestSplash::centredGeometry()
{
    QFETCH(QRect, desktop);
    QFETCH(QRect, geometry);
    QCOMPARE(Splash::centredGeometry(desktop, QSize(551, 454)), geometry);
}

void TestSplash::progressShowsStepText_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("percent");
    QTest::addColumn<QString>("text");

    QTest::newRow("creating main window") << 0 << 40 << "Creating main window";
    QTest::newRow("unknown step") << 7 << 90 << "Loading...";
    QTest::newRow("full") << 0 << 100 << "Creating main window";
}

void TestSplash::progressShowsStepText()
{
    QFETCH(int, step);
    QFETCH(int, percent);
    QFETCH(QString, text);

    Splash splash;
    QLabel* label = splash.findChild<QLabel*>("LoadingLabel");
    QProgressBar* bar = splash.findChild<QProgressBar*>("LoadingProgressBar");
    QVERIFY(label);
    QVERIFY(bar);
    showSplashProgress(step, static_cast<unsigned char>(percent));
    QCOMPARE(label->text(), text);
    QCOMPARE(bar->value(), percent);
}

void TestSplash::progressWithoutSplashDoesNothing()
{
    {
        Splash splash;
    }
    QVERIFY(!Splash::instance);
    showSplashProgress(0, 50);
}

void TestSplash::closeButtonHidesWindow()
{
    Splash splash;
    splash.showLoadingPage();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    QPushButton* close = splash.findChild<QPushButton*>("ClosePushButton");
    QVERIFY(close);
    QTest::mouseClick(close, Qt::LeftButton);
    QVERIFY(!splash.isVisible());
    QCOMPARE(Splash::instance, &splash);
}

QTEST_MAIN(TestSplash)
#include "tst_splash.moc"
