// The start wizard's "open" request with the check box stored, and the hover
// pictures.
#include "common/isolatedhome.h"

#include "base/veksettings.h"
#include "ui/startwizard.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QPixmap>
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

    void openHidesAsksAndStores();
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

void TestStartWizard::openHidesAsksAndStores()
{
    auto* w = new StartWizard(window.get(), "startWizard", Qt::FramelessWindowHint);
    QSignalSpy asked(w, &StartWizard::openRequested);
    QSignalSpy flag(w, &StartWizard::showOnStartupChanged);
    bool hiddenWhenAsked = false;
    connect(w, &StartWizard::openRequested, this, [&] { hiddenWhenAsked = w->isHidden(); });
    w->checkBox()->setChecked(false);
    QPushButton* open = button(*w, "open");
    const QSize picture = QPixmap(QStringLiteral(":/morvane2/Open_Project_button")).size();
    QVERIFY(!picture.isEmpty());
    QCOMPARE(open->size(), picture);
    QTest::mouseClick(open, Qt::LeftButton);
    QCOMPARE(asked.count(), 1);
    QVERIFY(hiddenWhenAsked);
    QVERIFY(flag.count() >= 1);
    QCOMPARE(flag.last().at(0).toBool(), false);
    QCOMPARE(VekSettings().value(StartWizard::settingKey(), true).toBool(), false);
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
