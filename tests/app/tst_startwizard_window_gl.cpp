// The start wizard of a main window built on a fresh profile: shown checked
// on a plain start only, sized to its picture, and its "open" button hiding
// it, opening the window's file dialog and keeping the choice.
#include "windowtest.h"

#include "app/launcharguments.h"
#include "ui/startwizard.h"

#include <QCheckBox>
#include <QTemporaryDir>

namespace {

// The window as start-up makes it: built, given the command line after the
// program's name, then shown.
std::unique_ptr<MainWindow> startWith(const QStringList& arguments)
{
    VekSettings().remove(StartWizard::settingKey());
    auto window = std::make_unique<MainWindow>();
    LaunchArguments(QStringList(QStringLiteral("morvane2")) + arguments).applyTo(*window);
    window->resize(1200, 800);
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        qWarning("main window not exposed");
    return window;
}

} // namespace

class TestStartWizardWindow : public QObject
{
    Q_OBJECT

private slots:
    void freshProfileShowsWizard();
    void fileOnTheCommandLineShowsNoWizard_data();
    void fileOnTheCommandLineShowsNoWizard();
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
    auto window = startWith({});
    StartWizard* wizard = wizardOf(*window);
    QVERIFY(wizard);
    QVERIFY(wizard->isVisible());
    QVERIFY(wizard->checkBox()->isChecked());
    QCOMPARE(wizard->size(), QSize(551, 494));
}

void TestStartWizardWindow::fileOnTheCommandLineShowsNoWizard_data()
{
    // %1 stands for a picture that exists.
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("title");
    QTest::newRow("file") << QStringList({QStringLiteral("%1")}) << QStringLiteral("in.png");
    QTest::newRow("integration mode")
        << QStringList({QStringLiteral("1234567"), QStringLiteral("%1"), QStringLiteral("out.ptr"),
                        QStringLiteral("Model Title")})
        << QStringLiteral("Model Title");
}

void TestStartWizardWindow::fileOnTheCommandLineShowsNoWizard()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, title);
    QTemporaryDir dir;
    const QString png = dir.filePath(QStringLiteral("in.png"));
    QVERIFY(writePicture(png, 32, 32, [](int x, int y) { return hillPixel(x, y, 32); }));
    auto window = startWith(arguments.replaceInStrings(QStringLiteral("%1"), png));
    QTRY_COMPARE(window->windowTitle(), title);
    StartWizard* wizard = wizardOf(*window);
    QVERIFY(!wizard || !wizard->isVisible());
}

void TestStartWizardWindow::openRunsTheOpenDialog()
{
    ModalAnswerer answerer;
    auto window = startWith({});
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
