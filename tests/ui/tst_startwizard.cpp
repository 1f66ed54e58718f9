// The start wizard on a fresh profile: its check box, size and placement,
// the "open" request with the setting written, and the hover pictures.
#include "common/isolatedhome.h"

#include "base/veksettings.h"
#include "ui/startwizard.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

class TestStartWizard : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void freshProfileStartsChecked();
    void storedChoiceIsRead();
    void centredOnParentWithRoomForBox();
    void openHidesAsksAndStores();
    void closeStoresUncheckedBox();
    void windowFlagOverridesSettingOnShow();
    void hoverSwapsPicture();

private:
    QPushButton* button(StartWizard& w, const char* name);

    std::unique_ptr<IsolatedHome> home;
    std::unique_ptr<QWidget> window;
};

void TestStartWizard::initTestCase()
{
    // Qt keeps the settings path it found first: one home for the whole run.
    home = std::make_unique<IsolatedHome>();
}

void TestStartWizard::init()
{
    VekSettings().clear();
    window = std::make_unique<QWidget>();
    window->resize(1000, 800);
}

void TestStartWizard::cleanup()
{
    window.reset();
}

QPushButton* TestStartWizard::button(StartWizard& w, const char* name)
{
    for (QPushButton* b : w.findChildren<QPushButton*>())
        if (b->accessibleName() == QLatin1String(name))
            return b;
    return nullptr;
}

void TestStartWizard::freshProfileStartsChecked()
{
    auto* w = new StartWizard(window.get(), "startWizard", Qt::FramelessWindowHint);
    QVERIFY(w->isShowOnStartupChecked());
    QCOMPARE(w->windowTitle(), QStringLiteral("startWizard"));
    QVERIFY(!w->isHidden());
}

void TestStartWizard::storedChoiceIsRead()
{
    VekSettings().setValue(StartWizard::settingKey(), false);
    auto* w = new StartWizard(window.get(), nullptr, Qt::FramelessWindowHint);
    QVERIFY(!w->isShowOnStartupChecked());
}

void TestStartWizard::centredOnParentWithRoomForBox()
{
    auto* w = new StartWizard(window.get(), "startWizard", Qt::FramelessWindowHint);
    QCOMPARE(w->size(), QSize(551, 494));
    QCOMPARE(w->pos(), QPoint((1000 - 551) / 2, (800 - 454) / 2));
}

void TestStartWizard::openHidesAsksAndStores()
{
    auto* w = new StartWizard(window.get(), "startWizard", Qt::FramelessWindowHint);
    QSignalSpy asked(w, &StartWizard::openRequested);
    QSignalSpy flag(w, &StartWizard::showOnStartupChanged);
    bool hiddenWhenAsked = false;
    connect(w, &StartWizard::openRequested, this, [&] { hiddenWhenAsked = w->isHidden(); });
    w->checkBox()->setChecked(false);
    QPushButton* open = button(*w, "open");
    QCOMPARE(open->size(), QSize(320, 56));
    QTest::mouseClick(open, Qt::LeftButton);
    QCOMPARE(asked.count(), 1);
    QVERIFY(hiddenWhenAsked);
    QVERIFY(flag.count() >= 1);
    QCOMPARE(flag.last().at(0).toBool(), false);
    QCOMPARE(VekSettings().value(StartWizard::settingKey(), true).toBool(), false);
}

void TestStartWizard::closeStoresUncheckedBox()
{
    auto* w = new StartWizard(window.get(), "startWizard", Qt::FramelessWindowHint);
    QSignalSpy recent(w, &StartWizard::recentRequested);
    QSignalSpy open(w, &StartWizard::openRequested);
    QSignalSpy last(w, &StartWizard::resumeLastRequested);
    w->checkBox()->setChecked(false);
    w->action(StartWizard::CloseButton);
    QVERIFY(w->isHidden());
    QCOMPARE(recent.count() + open.count() + last.count(), 0);
    QCOMPARE(VekSettings().value(StartWizard::settingKey(), true).toBool(), false);
}

void TestStartWizard::windowFlagOverridesSettingOnShow()
{
    auto* w = new StartWizard(window.get(), "startWizard", Qt::FramelessWindowHint);
    w->setShowOnStartup(false);
    w->show();
    QVERIFY(!w->isShowOnStartupChecked());
}

void TestStartWizard::hoverSwapsPicture()
{
    auto* w = new StartWizard(window.get(), "startWizard", Qt::FramelessWindowHint);
    QPushButton* recent = button(*w, "recent");
    QVERIFY(recent);
    const qint64 normal = recent->icon().cacheKey();
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(recent, &enter);
    const qint64 hover = recent->icon().cacheKey();
    QVERIFY(hover != normal);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(recent, &leave);
    QCOMPARE(recent->icon().cacheKey(), normal);
}

QTEST_MAIN(TestStartWizard)
#include "tst_startwizard.moc"
