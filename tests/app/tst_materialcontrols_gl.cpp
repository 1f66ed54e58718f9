// The "Materials" group over a real sculpt view and a library in an isolated
// settings store: cloning, the name limit, saving, deleting and the slider.
#include "views/glsupport.h"

#include "common/isolatedhome.h"

#include "app/materialcontrols.h"
#include "base/veksettings.h"
#include "ui/materiallibrary.h"
#include "ui/ribbon.h"
#include "views/sculptwin.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSlider>
#include <QToolButton>

#include <memory>

class TestMaterialControls : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void restoresStoredMaterialAndLight();
    void cloneProposesNameOfCurrent();
    void nameEditKeepsTwentyCharacters_data();
    void nameEditKeepsTwentyCharacters();
    void emptyNameDisablesSaveUntilCancel();
    void saveAddsAndSelectsNewMaterial();
    void deleteFollowsReadOnly();
    void sliderShowsWholeShininessKeepsMaterials();

private:
    void choose(const QString& name);
    // Shows the view; its first context restores the stored material.
    void start();
    // Clone, type the name, Save.
    void saveAs(const QString& name);

    std::unique_ptr<IsolatedHome> home;
    std::unique_ptr<VekSettings> settings;
    std::unique_ptr<MaterialLibrary> library;
    std::unique_ptr<QWidget> window;
    SculptWin* view = nullptr;
    MaterialControls* controls = nullptr;
};

void TestMaterialControls::initTestCase()
{
    // Qt keeps the settings path it found first: one home for the whole run.
    home = std::make_unique<IsolatedHome>();
}

void TestMaterialControls::init()
{
    settings = std::make_unique<VekSettings>();
    settings->clear();
    library = std::make_unique<MaterialLibrary>(settings.get());
    library->load();
    window = std::make_unique<QWidget>();
    window->resize(900, 500);
    auto* ribbon = new Ribbon(window.get());
    ribbon->setGeometry(0, 0, 900, 150);
    ribbon->addTab(QStringLiteral("View Settings"));
    view = new SculptWin(window.get());
    view->setGeometry(0, 150, 400, 300);
    controls = new MaterialControls(view, library.get(), settings.get(), window.get(), window.get());
    controls->addGroup(ribbon, 0);
    connect(view, &SculptWin::Initialized, controls, &MaterialControls::setupControls);
}

void TestMaterialControls::cleanup()
{
    window.reset();
    library.reset();
    settings.reset();
}

void TestMaterialControls::start()
{
    QSignalSpy ready(view, &SculptWin::Initialized);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QTRY_VERIFY(ready.count() > 0);
}

void TestMaterialControls::choose(const QString& name)
{
    QComboBox* combo = controls->materialCombo();
    combo->setCurrentIndex(combo->findText(name));
    QCOMPARE(combo->currentText(), name);
    emit combo->textActivated(name);
}

void TestMaterialControls::saveAs(const QString& name)
{
    controls->cloneButton()->click();
    controls->nameEdit()->clear();
    QTest::keyClicks(controls->nameEdit(), name);
    controls->cloneButton()->click();
    QVERIFY(!controls->isEditMode());
}

void TestMaterialControls::restoresStoredMaterialAndLight()
{
    settings->setValue(QStringLiteral("material"), QStringLiteral("gold"));
    settings->setValue(QStringLiteral("lightPosition"), 3);
    QSignalSpy light(controls, &MaterialControls::lightPositionRestored);
    start();
    QCOMPARE(light.count(), 1);
    QCOMPARE(light.at(0).at(0).toInt(), 3);
    QCOMPARE(controls->currentMaterial(), QStringLiteral("gold"));
    QCOMPARE(float(view->materialShinyness()), 51.2f);
}

void TestMaterialControls::cloneProposesNameOfCurrent()
{
    start();
    QCOMPARE(controls->currentMaterial(), QStringLiteral("obsidian"));
    controls->cloneButton()->click();
    QVERIFY(controls->isEditMode());
    QCOMPARE(controls->nameEdit()->text(), QStringLiteral("Clone of obsidian"));
    QVERIFY(!controls->nameEdit()->isHidden());
    QVERIFY(controls->materialCombo()->isHidden());
    QCOMPARE(controls->cloneCaption()->text(), QStringLiteral("Save"));
    QCOMPARE(controls->deleteCaption()->text(), QStringLiteral("Cancel"));
    QVERIFY(controls->deleteButton()->isEnabled());
}

void TestMaterialControls::nameEditKeepsTwentyCharacters_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    QTest::newRow("typed") << QString() << "abcdefghijklmnopqrstuvwxy" << "abcdefghijklmnopqrst";
    QTest::newRow("proposed for a long name") << "eighteen character" << QString() << "Clone of eighteen ch";
}

void TestMaterialControls::nameEditKeepsTwentyCharacters()
{
    QFETCH(QString, stored);
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    start();
    if (!stored.isEmpty())
        saveAs(stored);
    controls->cloneButton()->click();
    QLineEdit* edit = controls->nameEdit();
    if (!typed.isEmpty()) {
        edit->clear();
        QTest::keyClicks(edit, typed);
    }
    QCOMPARE(edit->text(), kept);
    controls->cloneButton()->click();
    QVERIFY(library->names().contains(kept));
}

void TestMaterialControls::emptyNameDisablesSaveUntilCancel()
{
    start();
    controls->cloneButton()->click();
    QLineEdit* edit = controls->nameEdit();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QVERIFY(edit->text().isEmpty());
    QVERIFY(!controls->cloneButton()->isEnabled());

    view->setMaterialShinyness(99.0);
    controls->deleteButton()->click();
    QVERIFY(!controls->isEditMode());
    QVERIFY(!controls->materialCombo()->isHidden());
    QCOMPARE(float(view->materialShinyness()), 38.4f);
    QVERIFY(controls->cloneButton()->isEnabled());
    controls->cloneButton()->click();
    QVERIFY(controls->isEditMode());
}

void TestMaterialControls::saveAddsAndSelectsNewMaterial()
{
    start();
    view->setMaterialShinyness(12.5);
    controls->cloneButton()->click();
    controls->cloneButton()->click();
    QVERIFY(!controls->isEditMode());
    QCOMPARE(controls->currentMaterial(), QStringLiteral("Clone of obsidian"));
    const Material saved = library->find(QStringLiteral("Clone of obsidian"));
    QVERIFY(!saved.readOnly);
    QCOMPARE(float(saved.shininess), 12.5f);
    QCOMPARE(saved.diffuse.rgba(), library->find(QStringLiteral("obsidian")).diffuse.rgba());
    QVERIFY(controls->deleteButton()->isEnabled());
    QCOMPARE(controls->cloneCaption()->text(), QStringLiteral("Clone"));
}

void TestMaterialControls::deleteFollowsReadOnly()
{
    start();
    QVERIFY(!controls->deleteButton()->isEnabled());
    saveAs(QStringLiteral("clay"));
    QCOMPARE(controls->currentMaterial(), QStringLiteral("clay"));
    QVERIFY(controls->deleteButton()->isEnabled());
    controls->deleteButton()->click();
    QVERIFY(!library->names().contains(QStringLiteral("clay")));
    QCOMPARE(controls->materialCombo()->findText(QStringLiteral("clay")), -1);
    QVERIFY(library->names().contains(QStringLiteral("obsidian")));
}

void TestMaterialControls::sliderShowsWholeShininessKeepsMaterials()
{
    start();
    choose(QStringLiteral("polished bronze"));
    QCOMPARE(controls->shininessSlider()->value(), 76);
    QCOMPARE(float(view->materialShinyness()), 76.8f);
    view->setMaterialShinyness(76.8);
    controls->updateMaterialControls();
    QCOMPARE(controls->shininessSlider()->value(), 76);
    QCOMPARE(float(view->materialShinyness()), 76.8f);
}

MORVANE_GL_TEST_MAIN(TestMaterialControls)
#include "tst_materialcontrols_gl.moc"
