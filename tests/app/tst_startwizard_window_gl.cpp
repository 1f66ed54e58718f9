// The start wizard of a main window built on a fresh profile: shown checked,
// sized to its picture, and its "open" button hiding it, opening the window's
// file dialog and keeping the choice.
#include "windowtest.h"

#include "ui/startwizard.h"

#include <QCheckBox>

class TestStartWizardWindow : public QObject
{
    Q_OBJECT

private slots:
    void freshProfileShowsWizard();
    void openRunsTheOpenDialog();

private:
    StartWizard* wizardOf(MainWindow& w) const { return w.findChild<StartWizard*>(); }
    QPushButton* pictureButton(StartWizard* wizard, const char* name) const;
};

QPushButton* TestStartWizardWindow::pictureButton(StartWizard* wizard, const char* name) const
{
    for (QPushButton* b : wizard->findChildren<QPushButton*>())
        if (b->accessibleName() == QLatin1String(name))
            return b;
    return nullptr;
}

void TestStartWizardWindow::freshProfileShowsWizard()
{
    VekSettings().remove(StartWizard::settingKey());
    auto window = openWindow();
    StartWizard* wizard = wizardOf(*window);
    QVERIFY(wizard);
    QVERIFY(wizard->isVisible());
    QVERIFY(wizard->checkBox()->isChecked());
    QCOMPARE(wizard->size(), QSize(551, 494));
}

void TestStartWizardWindow::openRunsTheOpenDialog()
{
    VekSettings().remove(StartWizard::settingKey());
    ModalAnswerer answerer;
    auto window = openWindow();
    StartWizard* wizard = wizardOf(*window);
    QVERIFY(wizard);
    QTest::mouseClick(pictureButton(wizard, "open"), Qt::LeftButton);
    QCOMPARE(answerer.fileDialogs, 1);
    QVERIFY(!wizard->isVisible());
    QVERIFY(VekSettings().contains(StartWizard::settingKey()));
    QCOMPARE(VekSettings().value(StartWizard::settingKey()).toBool(), true);
}

MORVANE_WINDOW_TEST_MAIN(TestStartWizardWindow)
#include "tst_startwizard_window_gl.moc"
