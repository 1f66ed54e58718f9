#include "windowtest.h"

#include "files/filesizelimit.h"
#include "files/workspacefile.h"

#include "app/launcharguments.h"
#include "app/meshorientcontrols.h"
#include "app/ribbontabs.h"
#include "mesh/facetshape.h"
#include "mesh/objfilewriter.h"
#include "mesh/stlfilewriter.h"
#include "ui/backstagewidget.h"
#include "ui/recentfileswidget.h"
#include "relief/sculptundo.h"
#include "relief/selectionshape.h"
#include "views/facetwin.h"
#include "views/flatwin.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDataStream>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QProcess>
#include <QProgressBar>
#include <QRadioButton>
#include <QSlider>
#include <QStandardPaths>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <set>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QPushButton* buttonWithToolTip(QWidget* parent, const QString& toolTip)
{
    for (QPushButton* b : parent->findChildren<QPushButton*>()) {
        if (b->toolTip() == toolTip)
            return b;
    }
    return nullptr;
}

void pressKey(MainWindow& window, Qt::Key key, Qt::KeyboardModifiers mods)
{
    QKeyEvent press(QEvent::KeyPress, key, mods);
    QApplication::sendEvent(&window, &press);
}

// A square pyramid of eight facets, two inches wide and one high.
FacetShape pyramid()
{
    using VekMath::Vector3d;
    FacetShape shape;
    const Vector3d top(1, 1, 1);
    const Vector3d base[4] = {Vector3d(0, 0, 0), Vector3d(2, 0, 0), Vector3d(2, 2, 0), Vector3d(0, 2, 0)};
    for (int i = 0; i < 4; ++i) {
        const Vector3d& a = base[i];
        const Vector3d& b = base[(i + 1) % 4];
        shape.addFacet(Facet(a, b, top, Vector3d(0, 0, 1)));
        shape.addFacet(Facet(b, a, base[(i + 2) % 4], Vector3d(0, 0, -1)));
    }
    return shape;
}

bool writeMesh(const QString& path, bool stl)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const FacetShape shape = pyramid();
    if (stl) {
        QDataStream out(&file);
        return writeFacetShapeStl(out, shape, QStringLiteral("pyramid"));
    }
    QTextStream out(&file);
    return writeFacetShapeObj(out, shape);
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString runTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000))
        return QString();
    return QString::fromLocal8Bit(process.readAllStandardOutput() + process.readAllStandardError());
}

// Whether this process has a file open in the folder: a file being saved
// there, named or not yet.
bool writingInto(const QString& folder)
{
    for (const QString& fd : QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        char target[4096];
        const ssize_t n = readlink(QFile::encodeName(QStringLiteral("/proc/self/fd/") + fd).constData(), target,
                                   sizeof(target) - 1);
        if (n > 0 && QFile::decodeName(QByteArray(target, int(n))).startsWith(folder + QLatin1Char('/')))
            return true;
    }
    return false;
}

// A window holding an accepted relief made from a hill picture.
std::unique_ptr<MainWindow> windowWithHill(const QTemporaryDir& dir, int size = 64)
{
    const QString png = dir.filePath(QStringLiteral("hill.png"));
    writePicture(png, size, size, [size](int x, int y) { return hillPixel(x, y, size); });
    auto window = openWindow();
    window->load(png, true);
    buttonWithText(window->panel(), QStringLiteral("Accept"))->click();
    window->sculptWin()->grabFramebuffer();
    return window;
}


void clickTab(Ribbon* ribbon, const QString& title)
{
    auto* bar = ribbon->findChild<QTabBar*>();
    for (int i = 0; i < bar->count(); ++i) {
        if (bar->tabText(i) == title)
            QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(i).center());
    }
}

// The 2-D view's Crop tool: a first click frames the heights, a drag from
// the frame's lower left corner pulls it in, Apply crops.
void cropByCorner(MainWindow& window)
{
    clickTab(window.ribbonWidget(), tab2dEdit);
    QWidget* page = window.ribbonWidget()->page(tab2dEdit);
    QTest::mouseClick(buttonWithToolTip(page, QStringLiteral("Crop Tool")), Qt::LeftButton);
    FlatWin* flat = window.flatWin();
    flat->grabFramebuffer();
    const QPoint centre(flat->width() / 2, flat->height() / 2);
    sendMouse(flat, QEvent::MouseButtonPress, centre, Qt::LeftButton, Qt::LeftButton);
    sendMouse(flat, QEvent::MouseButtonRelease, centre, Qt::LeftButton, Qt::NoButton);
    const QList<QPointF> frame = window.currentModel()->selectionShapes().front()->points();
    const QPointF inside = frame.first() + (frame.at(2) - frame.first()) / 6.0;
    const QPoint corner = centre + QPoint(int(flat->zoom() * inside.x()), -int(flat->zoom() * inside.y()));
    sendMouse(flat, QEvent::MouseButtonPress, corner, Qt::LeftButton, Qt::LeftButton);
    sendMouse(flat, QEvent::MouseMove, corner + QPoint(10, -10), Qt::NoButton, Qt::LeftButton);
    sendMouse(flat, QEvent::MouseButtonRelease, corner + QPoint(10, -10), Qt::LeftButton, Qt::NoButton);
    QTest::mouseClick(buttonWithText(page, QStringLiteral("Apply")), Qt::LeftButton);
}

// What the Tools page shows of the brush.
QList<int> brushControls(CentralPanel* panel)
{
    QList<int> values;
    for (const char* name : {"toolSize", "toolStrength", "toolHardness"})
        values << panel->findChild<QSlider*>(QLatin1String(name))->value();
    for (QGroupBox* box : panel->findChildren<QGroupBox*>()) {
        if (box->title() == QLatin1String("Mode"))
            values << box->isEnabled();
    }
    return values;
}

// The height the view shows under a widget point, and whether the relief
// is there at all.
double heightUnder(ReliefView* view, QPoint p, bool* hit)
{
    view->grabFramebuffer();
    view->readDepthBuffer();
    return view->pickPoint(p, hit).z;
}

// Whether the view shows the upper half of its relief higher than the lower.
bool showsUpperHalfHigher(ReliefView* view)
{
    bool upperHit = false, lowerHit = false;
    const int x = view->width() / 2;
    const double upper = heightUnder(view, QPoint(x, view->height() / 4), &upperHit);
    const double lower = heightUnder(view, QPoint(x, view->height() * 3 / 4), &lowerHit);
    if (!upperHit || !lowerHit)
        qWarning("the relief is not under both points");
    return upperHit && lowerHit && upper > lower;
}

} // namespace

class TestFileCommands : public QObject
{
    Q_OBJECT

private slots:
    void pictureAcceptSculptUndoSaveAndReopen()
    {
        QTemporaryDir dir;
        const QString png = dir.filePath(QStringLiteral("hill.png"));
        QVERIFY(writePicture(png, 64, 64, [](int x, int y) { return hillPixel(x, y, 64); }));
        auto window = openWindow();
        Relief* first = window->currentModel();
        window->load(png, true);

        Ribbon* ribbon = window->ribbonWidget();
        QVERIFY(window->currentModel() != first);
        QCOMPARE(window->windowTitle(), QStringLiteral("hill.png"));
        QCOMPARE(shownTabs(ribbon), QStringList({tabViewSettings, tabScaleZ, tabSculptingTools, tab2dEdit, tabExport}));
        QCOMPARE(ribbon->tabText(ribbon->currentIndex()), tabScaleZ);
        QVERIFY(!ribbon->page(tabExport)->isEnabled());
        QVERIFY(!ribbon->page(tabSculptingTools)->isEnabled());
        QCOMPARE(int(window->sculptWin()->currentTool()->type), int(Tool::NoTool));

        buttonWithText(window->panel(), QStringLiteral("Accept"))->click();
        QCOMPARE(ribbon->tabText(ribbon->currentIndex()), tabSculptingTools);
        QVERIFY(ribbon->page(tabExport)->isEnabled());
        QVERIFY(ribbon->page(tabSculptingTools)->isEnabled());
        QVERIFY(!window->currentModel()->source());

        pressKey(*window, Qt::Key_3, Qt::NoModifier);
        const std::vector<float> before = heightsOf(window->currentModel());
        strokeAcross(window->sculptWin());
        const std::vector<float> after = heightsOf(window->currentModel());
        QVERIFY(after != before);

        pressKey(*window, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(heightsOf(window->currentModel()) == before);
        pressKey(*window, Qt::Key_Y, Qt::ControlModifier);
        QVERIFY(heightsOf(window->currentModel()) == after);

        ModalAnswerer answerer;
        answerer.fileNames << dir.filePath(QStringLiteral("work"));
        pressKey(*window, Qt::Key_S, Qt::ControlModifier);
        const QString scp = dir.filePath(QStringLiteral("work.scp"));
        QVERIFY(QFileInfo::exists(scp));
        QCOMPARE(window->windowTitle(), QStringLiteral("work.scp"));
        QVERIFY(!window->panel()->undoStack()->isModified());

        window->load(png, true);
        QVERIFY(heightsOf(window->currentModel()) != after);
        window->load(scp, true);
        QVERIFY(heightsOf(window->currentModel()) == after);
        QCOMPARE(window->workspacePath(), scp);
        QCOMPARE(ribbon->tabText(ribbon->currentIndex()), tabSculptingTools);
        QVERIFY(answerer.boxes.isEmpty());
        QCOMPARE(VekSettings().recentFiles().value(0), QFileInfo(scp).canonicalFilePath());
    }

    void brushesDeadAfter2dEdit_data()
    {
        QTest::addColumn<QString>("reopen");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("fromRecent");
        QTest::addColumn<int>("key");
        // Whether the tool back on Sculpting Tools has the Mode box.
        QTest::addColumn<bool>("modes");
        // A crop under 2D Edit, then a load over the modified model.
        QTest::newRow("open, discard, picture") << QStringLiteral("hill.png") << int(QMessageBox::Discard) << false
                                                << int(Qt::Key_3) << true;
        QTest::newRow("open, save, picture") << QStringLiteral("hill.png") << int(QMessageBox::Save) << false
                                             << int(Qt::Key_3) << true;
        QTest::newRow("recent, discard, workspace") << QStringLiteral("work.scp") << int(QMessageBox::Discard) << true
                                                    << int(Qt::Key_3) << true;
        // No load: a sculpting tool first made by its key under 2D Edit, and
        // so the one back on Sculpting Tools. The tools live as long as the
        // process; no test before makes Remove.
        QTest::newRow("sculpting key under 2D Edit") << QString() << 0 << false << int(Qt::Key_4) << false;
    }

    void brushesDeadAfter2dEdit()
    {
        QFETCH(QString, reopen);
        QFETCH(int, answer);
        QFETCH(bool, fromRecent);
        QFETCH(int, key);
        QFETCH(bool, modes);
        QTemporaryDir dir;
        auto window = windowWithHill(dir);
        ModalAnswerer answerer;
        answerer.fileNames << dir.filePath(QStringLiteral("work"));
        pressKey(*window, Qt::Key_S, Qt::ControlModifier);
        QList<int> expected = brushControls(window->panel());
        expected.last() = modes;
        SculptUndo* undo = window->panel()->undoStack();

        if (reopen.isEmpty()) {
            clickTab(window->ribbonWidget(), tab2dEdit);
            pressKey(*window, Qt::Key(key), Qt::NoModifier);
        } else {
            cropByCorner(*window);
            QVERIFY(undo->isModified());
            answerer.buttons << QMessageBox::StandardButton(answer);
            if (fromRecent) {
                window->showBackStage();
                auto* rows = qobject_cast<QGridLayout*>(window->backStageWidget()->recentFilesWidget()->layout());
                QTest::mouseClick(qobject_cast<QPushButton*>(rows->itemAtPosition(0, 0)->widget()), Qt::LeftButton);
            } else {
                answerer.fileNames << dir.filePath(reopen);
                pressKey(*window, Qt::Key_O, Qt::ControlModifier);
            }
            QCOMPARE(window->windowTitle(), reopen);
            QVERIFY(!undo->isModified());
            if (reopen.endsWith(QLatin1String(".png")))
                QTest::mouseClick(buttonWithText(window->panel(), QStringLiteral("Accept")), Qt::LeftButton);
        }
        clickTab(window->ribbonWidget(), tabSculptingTools);
        QCOMPARE(brushControls(window->panel()), expected);

        pressKey(*window, Qt::Key(key), Qt::NoModifier);
        const std::vector<float> heights = heightsOf(window->currentModel());
        strokeAcross(window->sculptWin());
        QVERIFY(heightsOf(window->currentModel()) != heights);
        pressKey(*window, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(heightsOf(window->currentModel()) == heights);
    }

    void dragIn2dEditSculptsAfterAVisitToExport_data()
    {
        QTest::addColumn<QString>("toolTip");
        QTest::newRow("rectangle") << QStringLiteral("Rectangle");
        QTest::newRow("crop") << QStringLiteral("Crop Tool");
    }

    void dragIn2dEditSculptsAfterAVisitToExport()
    {
        QFETCH(QString, toolTip);
        QTemporaryDir dir;
        const QString png = dir.filePath(QStringLiteral("f.png"));
        QVERIFY(writePicture(png, 400, 300, [](int x, int y) {
            const bool stem = x >= 120 && x < 170 && y >= 40 && y < 260;
            const bool bar = x >= 120 && y >= 40 && ((x < 300 && y < 90) || (x < 250 && y >= 130 && y < 180));
            return stem || bar ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
        }));
        auto window = openWindow();
        ModalAnswerer answerer;
        answerer.fileNames << png;
        pressKey(*window, Qt::Key_O, Qt::ControlModifier);
        QTest::mouseClick(buttonWithText(window->panel(), QStringLiteral("Accept")), Qt::LeftButton);

        Ribbon* ribbon = window->ribbonWidget();
        clickTab(ribbon, tab2dEdit);
        QPushButton* chosen = buttonWithToolTip(ribbon->page(tab2dEdit), toolTip);
        QTest::mouseClick(chosen, Qt::LeftButton);
        clickTab(ribbon, tabSculptingTools);
        pressKey(*window, Qt::Key_3, Qt::NoModifier);
        clickTab(ribbon, tabExport);
        clickTab(ribbon, tabSculptingTools);
        clickTab(ribbon, tab2dEdit);
        QVERIFY(chosen->isChecked());

        Relief* relief = window->currentModel();
        const std::vector<float> heights = heightsOf(relief);
        FlatWin* flat = window->flatWin();
        flat->grabFramebuffer();
        flat->readDepthBuffer();
        const QPoint from(flat->width() / 2 - 40, flat->height() / 2 - 30);
        sendMouse(flat, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        for (int i = 1; i <= 8; ++i)
            sendMouse(flat, QEvent::MouseMove, from + QPoint(10, 8) * i, Qt::NoButton, Qt::LeftButton);
        sendMouse(flat, QEvent::MouseButtonRelease, from + QPoint(80, 64), Qt::LeftButton, Qt::NoButton);
        QVERIFY(heightsOf(relief) == heights);
        // Crop leaves its frame; a rectangle leaves the cells it selected.
        const float* selected = relief->selection();
        QVERIFY(!relief->selectionShapes().empty()
                || std::any_of(selected, selected + relief->cellCount(), [](float s) { return s > 0.0f; }));

        clickTab(ribbon, tabSculptingTools);
        QCOMPARE(int(window->sculptWin()->currentTool()->type), int(Tool::Deposit));
    }

    void pictureShowsUprightUnlessFlipped()
    {
        QTemporaryDir dir;
        const QString png = dir.filePath(QStringLiteral("tophalf.png"));
        QVERIFY(writePicture(png, 32, 32, [](int, int y) { return y < 16 ? qRgb(255, 255, 255) : qRgb(0, 0, 0); }));
        auto window = openWindow();
        window->load(png, true);
        QVERIFY(showsUpperHalfHigher(window->sculptWin()));

        auto* flip = window->panel()->findChild<QCheckBox*>(QStringLiteral("flipY"));
        // On its box: the check box is wider than its box and text.
        const QPoint box(8, flip->height() / 2);
        QTest::mouseClick(flip, Qt::LeftButton, Qt::NoModifier, box);
        QVERIFY(flip->isChecked());
        QVERIFY(!showsUpperHalfHigher(window->sculptWin()));
        QTest::mouseClick(flip, Qt::LeftButton, Qt::NoModifier, box);

        buttonWithText(window->panel(), QStringLiteral("Accept"))->click();
        window->ribbonWidget()->setCurrentTab(tab2dEdit);
        QVERIFY(window->flatWin()->isVisible());
        QVERIFY(showsUpperHalfHigher(window->flatWin()));
    }

    void acceptedPictureShowsALitRelief()
    {
        QTemporaryDir dir;
        auto window = windowWithHill(dir, 128);
        const QImage view = window->sculptWin()->grabFramebuffer();
        const QString shot = QCoreApplication::applicationDirPath() + QStringLiteral("/mainwindow_after_accept.png");
        QVERIFY(window->grab().save(shot));
        std::set<QRgb> colours;
        for (int y = 0; y < view.height(); y += 4)
            for (int x = 0; x < view.width(); x += 4)
                colours.insert(view.pixel(x, y) & 0xFFFFFFu);
        QVERIFY2(colours.size() > 20, qPrintable(QString::number(colours.size())));
    }

    void meshImportsHandOverOnAccept_data()
    {
        QTest::addColumn<bool>("stl");
        QTest::newRow("stl") << true;
        QTest::newRow("obj") << false;
    }

    void meshImportsHandOverOnAccept()
    {
        QFETCH(bool, stl);
        QTemporaryDir dir;
        const QString path = dir.filePath(stl ? QStringLiteral("p.stl") : QStringLiteral("p.OBJ"));
        QVERIFY(writeMesh(path, stl));
        auto window = openWindow();
        Relief* previous = window->currentModel();
        window->load(path, true);

        Ribbon* ribbon = window->ribbonWidget();
        QVERIFY(window->currentMesh());
        QCOMPARE(window->currentModel(), previous);
        QVERIFY(window->facetWin()->isVisible());
        QVERIFY(!window->sculptWin()->isVisible());
        QCOMPARE(shownTabs(ribbon), QStringList({tabViewSettings, tabOrientScale}));
        QCOMPARE(ribbon->tabText(ribbon->currentIndex()), tabOrientScale);
        QCOMPARE(window->facetWin()->facetShape(), window->currentMesh());

        buttonWithText(ribbon->page(tabOrientScale), QStringLiteral("Accept"))->click();
        QVERIFY(!window->currentMesh());
        QVERIFY(window->currentModel() != previous);
        // Two inches at 128 cells to the inch, plus the margins.
        QVERIFY(window->currentModel()->width() >= 256);
        QVERIFY(window->currentModel()->width() < 300);
        QCOMPARE(ribbon->tabText(ribbon->currentIndex()), tabScaleZ);
        QVERIFY(window->sculptWin()->isVisible());
        QVERIFY(!window->facetWin()->isVisible());
    }

    void pictureLoadedWhileOrientingGivesUpTheMesh()
    {
        QTemporaryDir dir;
        const QString stl = dir.filePath(QStringLiteral("p.stl"));
        const QString png = dir.filePath(QStringLiteral("flat.png"));
        QVERIFY(writeMesh(stl, true));
        QVERIFY(writePicture(png, 8, 8, [](int, int) { return qRgb(200, 200, 200); }));
        auto window = openWindow();
        window->load(stl, true);
        QVERIFY(window->currentMesh());
        window->load(png, true);
        QVERIFY(!window->currentMesh());
        QVERIFY(!window->facetWin()->facetShape());
        QVERIFY(!window->facetWin()->isVisible());
        QVERIFY(window->sculptWin()->isVisible());
        QVERIFY(!shownTabs(window->ribbonWidget()).contains(tabOrientScale));
        // The light buttons reach the sculpt view again.
        for (QPushButton* b : window->ribbonWidget()->page(tabViewSettings)->findChildren<QPushButton*>()) {
            if (b->toolTip() == QLatin1String("Bottom"))
                b->click();
        }
        QCOMPARE(window->sculptWin()->lightPosition(), 6);
    }

    void failedMeshLoadKeepsTheHeldMesh()
    {
        QTemporaryDir dir;
        const QString good = dir.filePath(QStringLiteral("good.stl"));
        const QString bad = dir.filePath(QStringLiteral("bad.stl"));
        QVERIFY(writeMesh(good, true));
        QFile file(bad);
        QVERIFY(file.open(QIODevice::WriteOnly));
        // A binary header that promises a thousand facets and holds none.
        QByteArray broken(80, '\0');
        broken.append("\xe8\x03\0\0", 4);
        file.write(broken);
        file.close();
        auto window = openWindow();
        window->load(good, true);
        FacetShape* held = window->currentMesh();
        QVERIFY(held);
        ModalAnswerer answerer;
        window->load(bad, true);
        QCOMPARE(answerer.boxes.size(), 1);
        QCOMPARE(answerer.boxes[0].title, QStringLiteral("Load Failed"));
        QCOMPARE(window->currentMesh(), held);
        QCOMPARE(window->facetWin()->facetShape(), held);
        QCOMPARE(held->facetCount(), 8);
        QCOMPARE(window->windowTitle(), QStringLiteral("good.stl"));
    }

    void failedLoadKeepsTheHistory_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("title");
        QTest::newRow("bad magic") << QByteArray("XXXXXXXXXXXX") << QStringLiteral("bad.scp") << QStringLiteral("Invalid File");
        QTest::newRow("bad picture") << QByteArray("no picture") << QStringLiteral("bad.png") << QStringLiteral("Open Failed");
        QTest::newRow("bad height field") << QByteArray("\0\0\0\3", 4) << QStringLiteral("bad.ptr") << QStringLiteral("Load Failed");
    }

    void failedLoadKeepsTheHistory()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, name);
        QFETCH(QString, title);
        QTemporaryDir dir;
        auto window = windowWithHill(dir);
        pressKey(*window, Qt::Key_3, Qt::NoModifier);
        strokeAcross(window->sculptWin());
        SculptUndo* undo = window->panel()->undoStack();
        QVERIFY(undo->isModified());
        const int events = undo->count();
        Relief* model = window->currentModel();

        const QString path = dir.filePath(name);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        ModalAnswerer answerer;
        answerer.buttons << QMessageBox::Discard;
        window->load(path, true);
        QCOMPARE(answerer.boxes.size(), 2);
        QCOMPARE(answerer.boxes[1].title, title);
        QCOMPARE(window->currentModel(), model);
        QVERIFY(undo->isModified());
        QCOMPARE(undo->count(), events);
        QCOMPARE(window->windowTitle(), QStringLiteral("hill.png"));
    }

    void workspaceZScaleIsTheOneTheBoxShows_data()
    {
        QTest::addColumn<double>("shown");
        QTest::addColumn<double>("stored");
        QTest::addColumn<double>("kept");
        QTest::newRow("above the range, box at its top") << 9.999 << 50.0 << 9.999;
        QTest::newRow("far above the range") << 9.999 << 1e300 << 9.999;
        QTest::newRow("below the range, box at its bottom") << 0.001 << 0.0001 << 0.001;
    }

    void workspaceZScaleIsTheOneTheBoxShows()
    {
        QFETCH(double, shown);
        QFETCH(double, stored);
        QFETCH(double, kept);
        QTemporaryDir dir;
        const QString scp = dir.filePath(QStringLiteral("scaled.scp"));
        Relief relief(4, 4);
        relief.setZScale(stored);
        QVERIFY(WorkspaceFile::save(scp, relief).ok());
        auto window = openWindow();
        auto* box = window->ribbonWidget()->page(tabScaleZ)->findChild<QDoubleSpinBox*>();
        box->setValue(shown);
        window->load(scp, true);
        QCOMPARE(box->value(), kept);
        QCOMPARE(window->currentModel()->zScale(), kept);
    }

    void checkToSaveAnswers()
    {
        QTemporaryDir dir;
        const QString other = dir.filePath(QStringLiteral("other.png"));
        QVERIFY(writePicture(other, 8, 8, [](int, int) { return qRgb(255, 255, 255); }));
        auto window = windowWithHill(dir);
        pressKey(*window, Qt::Key_3, Qt::NoModifier);
        strokeAcross(window->sculptWin());
        Relief* model = window->currentModel();

        {
            ModalAnswerer answerer;
            answerer.buttons << QMessageBox::Cancel;
            window->load(other, true);
            QCOMPARE(answerer.boxes.size(), 1);
            QCOMPARE(answerer.boxes[0].text, QStringLiteral("The current model has been modified."));
            QCOMPARE(window->currentModel(), model);
        }
        {
            // Save asks for a name; a file too large to be written makes it
            // fail, and the question comes again.
            ModalAnswerer answerer;
            answerer.buttons << QMessageBox::Save << QMessageBox::Ok << QMessageBox::Cancel;
            answerer.fileNames << dir.filePath(QStringLiteral("work.scp"));
            {
                FileSizeLimit limit(4096);
                window->load(other, true);
            }
            QCOMPARE(answerer.boxes.size(), 3);
            QCOMPARE(answerer.boxes[1].title, QStringLiteral("Save Failed"));
            QCOMPARE(answerer.boxes[2].text, QStringLiteral("The current model has been modified."));
            QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("work.scp"))));
            QCOMPARE(answerer.fileDialogs, 1);
            QCOMPARE(window->currentModel(), model);
            QVERIFY(window->panel()->undoStack()->isModified());
        }
        {
            ModalAnswerer answerer;
            answerer.buttons << QMessageBox::Discard;
            window->load(other, true);
            QCOMPARE(answerer.boxes.size(), 1);
            QVERIFY(window->currentModel() != model);
            QCOMPARE(window->windowTitle(), QStringLiteral("other.png"));
            QVERIFY(!window->panel()->undoStack()->isModified());
        }
    }

    void failedSaveAsKeepsTheWorkspaceFile()
    {
        QTemporaryDir dir;
        const QString refused = dir.filePath(QStringLiteral("gone/w2.scp"));
        auto window = windowWithHill(dir, 16);
        const QString w1 = dir.filePath(QStringLiteral("w1.scp"));
        {
            ModalAnswerer answerer;
            answerer.fileNames << w1;
            pressKey(*window, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        }
        window->load(w1, true);
        pressKey(*window, Qt::Key_3, Qt::NoModifier);
        strokeAcross(window->sculptWin());
        const std::vector<float> stroked = heightsOf(window->currentModel());
        const QStringList recent = VekSettings().recentFiles();

        ModalAnswerer answerer;
        answerer.fileNames << refused;
        pressKey(*window, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(answerer.boxes.size(), 1);
        QCOMPARE(answerer.boxes[0].title, QStringLiteral("Save Failed"));
        QCOMPARE(window->workspacePath(), w1);
        QCOMPARE(window->windowTitle(), QStringLiteral("w1.scp"));
        QCOMPARE(VekSettings().recentFiles(), recent);

        // Ctrl+S writes the file the title names.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("gone")));
        pressKey(*window, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(answerer.boxes.size(), 1);
        QCOMPARE(answerer.fileDialogs, 1);
        QVERIFY(!QFileInfo::exists(refused));
        QVERIFY(!window->panel()->undoStack()->isModified());
        window->load(w1, true);
        QVERIFY(heightsOf(window->currentModel()) == stroked);
    }

    void saveInThePromptAsksForANameAgainAfterAFailedSaveAs()
    {
        QTemporaryDir dir;
        const QString other = dir.filePath(QStringLiteral("other.png"));
        QVERIFY(writePicture(other, 8, 8, [](int, int) { return qRgb(255, 255, 255); }));
        auto window = windowWithHill(dir, 16);
        pressKey(*window, Qt::Key_3, Qt::NoModifier);
        strokeAcross(window->sculptWin());
        ModalAnswerer answerer;
        // A Save that retried the refused name would meet the first Discard
        // in a failure box, which has none: the second ends the prompt.
        answerer.buttons << QMessageBox::Save << QMessageBox::Ok << QMessageBox::Save << QMessageBox::Discard
                         << QMessageBox::Discard;
        answerer.fileNames << dir.filePath(QStringLiteral("gone/w2.scp"));
        window->load(other, true);
        QCOMPARE(answerer.fileDialogs, 2);
        QCOMPARE(window->workspacePath(), QString());
        QCOMPARE(window->windowTitle(), QStringLiteral("other.png"));
    }

    void suffixesAreComparedWithoutCase()
    {
        QTemporaryDir dir;
        const QString jpg = dir.filePath(QStringLiteral("upper.JPG"));
        QVERIFY(writePicture(jpg, 16, 8, [](int x, int) { return qRgb(x * 16, x * 16, x * 16); }));
        const QString txt = dir.filePath(QStringLiteral("notes.txt"));
        QFile(txt).open(QIODevice::WriteOnly);
        auto window = openWindow();
        Relief* model = window->currentModel();
        window->load(txt, true);
        QCOMPARE(window->currentModel(), model);
        QVERIFY(loggedText().contains(QStringLiteral("Unknown file type") + txt));
        window->load(jpg, true);
        QVERIFY(window->currentModel() != model);
        QCOMPARE(window->windowTitle(), QStringLiteral("upper.JPG"));
    }

    void heightFieldExportRoundTrip()
    {
        QTemporaryDir dir;
        auto window = windowWithHill(dir);
        const std::vector<float> heights = heightsOf(window->currentModel());
        const int w = window->currentModel()->width();
        window->ribbonWidget()->setCurrentTab(tabExport);
        ModalAnswerer answerer;
        answerer.fileNames << dir.filePath(QStringLiteral("field.PTR"));
        buttonWithToolTip(window->ribbonWidget()->page(tabExport), QStringLiteral("Export PTR"))->click();
        const QString ptr = dir.filePath(QStringLiteral("field.PTR.ptr"));
        QVERIFY(QFileInfo::exists(ptr));
        QVERIFY(answerer.boxes.isEmpty());

        window->load(ptr, true);
        QVERIFY(answerer.boxes.isEmpty());
        QCOMPARE(window->workspacePath(), QString());
        QCOMPARE(window->ribbonWidget()->tabText(window->ribbonWidget()->currentIndex()), tabScaleZ);
        buttonWithText(window->panel(), QStringLiteral("Accept"))->click();
        const Relief* back = window->currentModel();
        QVERIFY(back->width() >= w);
        float highest = 0.0f;
        for (size_t i = 0; i < back->cellCount(); ++i)
            highest = std::max(highest, back->heights()[i]);
        const float highestBefore = *std::max_element(heights.begin(), heights.end());
        QVERIFY(std::abs(highest - highestBefore) <= 1.0f);
    }

    void meshExportsAreReadByOtherPrograms_data()
    {
        QTest::addColumn<int>("quality");
        QTest::addColumn<bool>("stl");
        for (int q = 0; q < 3; ++q) {
            QTest::newRow(qPrintable(QStringLiteral("stl quality %1").arg(q))) << q << true;
            QTest::newRow(qPrintable(QStringLiteral("obj quality %1").arg(q))) << q << false;
        }
    }

    void meshExportsAreReadByOtherPrograms()
    {
        QFETCH(int, quality);
        QFETCH(bool, stl);
        const QString program = QStandardPaths::findExecutable(stl ? QStringLiteral("admesh") : QStringLiteral("assimp"));
        if (program.isEmpty())
            QSKIP("the reading program is not installed");
        QTemporaryDir dir;
        auto window = windowWithHill(dir, 48);
        QWidget* page = window->ribbonWidget()->page(tabExport);
        page->findChildren<QRadioButton*>().value(quality)->click();
        ModalAnswerer answerer;
        answerer.fileNames << dir.filePath(QStringLiteral("out"));
        buttonWithToolTip(page, stl ? QStringLiteral("Export STL") : QStringLiteral("Export OBJ"))->click();
        QTRY_COMPARE(answerer.fileDialogs, 1);
        const QString path = dir.filePath(stl ? QStringLiteral("out.stl") : QStringLiteral("out.obj"));
        QVERIFY(QFileInfo::exists(path));
        QVERIFY(answerer.boxes.isEmpty());
        QCOMPARE(VekSettings().lastExportDir(), QFileInfo(dir.path()).canonicalFilePath());
        if (stl) {
            const QString report = runTool(program, {path});
            QVERIFY2(report.contains(QStringLiteral("Number of facets")), qPrintable(report));
        } else {
            const QString report = runTool(program, {QStringLiteral("info"), path});
            QVERIFY2(report.contains(QStringLiteral("Faces:")), qPrintable(report));
        }
    }

    void cancelledExportWritesAndRecordsNothing()
    {
        QTemporaryDir dir;
        auto window = windowWithHill(dir, 256);
        VekSettings().remove(QStringLiteral("lastExportDir"));
        QWidget* page = window->ribbonWidget()->page(tabExport);
        page->findChildren<QRadioButton*>().value(2)->click();
        ModalAnswerer answerer;
        answerer.cancelProgress = true;
        answerer.fileNames << dir.filePath(QStringLiteral("cancelled.stl"));
        window->exportStlFile();
        QVERIFY(answerer.cancelledProgress > 0);
        QCOMPARE(answerer.cancelledLabel, QStringLiteral("Reducing Facets"));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("cancelled.stl"))));
        QVERIFY(answerer.boxes.isEmpty());
        QVERIFY(VekSettings().lastExportDir().isEmpty());
    }

    void exportBarMovesWhileTheFileIsWritten_data()
    {
        QTest::addColumn<int>("quality");
        QTest::addColumn<bool>("stl");
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<bool>("cancel");
        // Coarse noise that keeps many facets, in four strips when reduced;
        // unreduced, a few dozen reports of the writer.
        QTest::newRow("low to its end") << 2 << true << QSize(1024, 400) << false;
        QTest::newRow("low cancelled while writing") << 2 << true << QSize(1024, 400) << true;
        QTest::newRow("high stl to its end") << 0 << true << QSize(256, 256) << false;
        QTest::newRow("high stl cancelled while writing") << 0 << true << QSize(256, 256) << true;
        QTest::newRow("high obj to its end") << 0 << false << QSize(256, 256) << false;
        QTest::newRow("high obj cancelled while writing") << 0 << false << QSize(256, 256) << true;
    }

    void exportBarMovesWhileTheFileIsWritten()
    {
        QFETCH(int, quality);
        QFETCH(bool, stl);
        QFETCH(QSize, picture);
        QFETCH(bool, cancel);
        QTemporaryDir dir;
        const QString png = dir.filePath(QStringLiteral("noise.png"));
        QVERIFY(writePicture(png, picture.width(), picture.height(), [](int x, int y) {
            const int v = int(((unsigned(x / 4) * 2654435761u) ^ (unsigned(y / 4) * 40503u)) % 256u);
            return qRgb(v, v, v);
        }));
        auto window = openWindow();
        window->load(png, true);
        buttonWithText(window->panel(), QStringLiteral("Accept"))->click();
        VekSettings().remove(QStringLiteral("lastExportDir"));
        window->ribbonWidget()->page(tabExport)->findChildren<QRadioButton*>().value(quality)->click();
        // A cancelled export is to leave an earlier file of that name as it was.
        const QString name = stl ? QStringLiteral("out.stl") : QStringLiteral("out.obj");
        const QByteArray earlier("the earlier export");
        if (cancel) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(earlier) == earlier.size());
        }

        // Every value the bar took, and whether the file was being written
        // then; a cancel as soon as it is seen being written.
        const QString folder = QFileInfo(dir.path()).canonicalFilePath();
        QVector<QPair<int, bool>> values;
        int maximum = -1;
        QTimer watch;
        connect(&watch, &QTimer::timeout, [&] {
            for (QWidget* top : QApplication::topLevelWidgets()) {
                auto* dialog = qobject_cast<QProgressDialog*>(top);
                if (!dialog)
                    continue;
                if (maximum < 0) {
                    connect(dialog->findChild<QProgressBar*>(), &QProgressBar::valueChanged, [&](int v) {
                        values.append({v, writingInto(folder)});
                    });
                }
                maximum = dialog->maximum();
                if (cancel && !dialog->wasCanceled() && writingInto(folder))
                    dialog->cancel();
            }
        });
        watch.start(0);
        ModalAnswerer answerer;
        answerer.fileNames << dir.filePath(name);
        answerer.buttons << QMessageBox::Yes;   // replace the earlier file
        if (stl)
            window->exportStlFile();
        else
            window->exportObjFile();
        watch.stop();
        QCOMPARE(answerer.boxes.size(), cancel ? 1 : 0);

        bool movedWhileWriting = false;
        for (int i = 0; i < values.size(); ++i) {
            QVERIFY(i == 0 || values[i].first >= values[i - 1].first);
            movedWhileWriting = movedWhileWriting || (values[i].second && values[i].first < maximum);
        }
        if (cancel) {
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({QStringLiteral("noise.png"), name}));
            QCOMPARE(readAll(dir.filePath(name)), earlier);
            QVERIFY(VekSettings().lastExportDir().isEmpty());
        } else {
            QVERIFY(movedWhileWriting);
            QCOMPARE(values.last().first, maximum);
            QVERIFY(QFileInfo(dir.filePath(name)).size() > 100000);
        }
    }

    void failedExportKeepsTheEarlierFileAndSaysSo()
    {
        QTemporaryDir dir;
        auto window = windowWithHill(dir, 64);
        const QString path = dir.filePath(QStringLiteral("old.stl"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("earlier export");
        file.close();
        ModalAnswerer answerer;
        answerer.fileNames << path;
        answerer.buttons << QMessageBox::Yes;
        {
            FileSizeLimit limit(4096);
            window->exportStlFile();
        }
        QCOMPARE(answerer.boxes.size(), 2);
        QCOMPARE(answerer.boxes[1].title, QStringLiteral("Save Failed"));
        QCOMPARE(readAll(path), QByteArray("earlier export"));
        QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("*.stl")}, QDir::Files), QStringList({QStringLiteral("old.stl")}));
    }

    void unwritableTargetIsRefusedAndSaysSo_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("fifo");
        QTest::newRow("ptr export below a regular file") << "Export PTR" << "plain/out.ptr" << false;
        QTest::newRow("ptr export over a fifo") << "Export PTR" << "pipe.ptr" << true;
        QTest::newRow("stl export over a fifo") << "Export STL" << "pipe.stl" << true;
        QTest::newRow("workspace save over a fifo") << "Save As" << "pipe.scp" << true;
    }

    void unwritableTargetIsRefusedAndSaysSo()
    {
        QFETCH(QString, command);
        QFETCH(QString, target);
        QFETCH(bool, fifo);
        QTemporaryDir dir;
        auto window = windowWithHill(dir, 16);
        QFile plain(dir.filePath(QStringLiteral("plain")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        const QString path = dir.filePath(target);
        int reader = -1;
        if (fifo) {
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
            // Held open so that a writer taking the fifo as it is cannot block.
            reader = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
            QVERIFY(reader >= 0);
        }
        ModalAnswerer answerer;
        answerer.fileNames << path;
        answerer.buttons << QMessageBox::Yes;   // replace the existing file
        if (command == QLatin1String("Save As"))
            pressKey(*window, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        else
            buttonWithToolTip(window->ribbonWidget()->page(tabExport), command)->click();
        if (reader >= 0)
            ::close(reader);
        QCOMPARE(answerer.fileDialogs, 1);
        QVERIFY(!answerer.boxes.isEmpty());
        QCOMPARE(answerer.boxes.last().title, QStringLiteral("Save Failed"));
        QCOMPARE(answerer.boxes.last().text, QStringLiteral("Error! File I/O Error"));
        if (fifo) {
            struct stat info;
            QCOMPARE(lstat(QFile::encodeName(path).constData(), &info), 0);
            QVERIFY(S_ISFIFO(info.st_mode));
        }
    }

    void integrationModeRefusesSavingButHandsOver()
    {
        QTemporaryDir dir;
        const QString png = dir.filePath(QStringLiteral("in.png"));
        QVERIFY(writePicture(png, 32, 32, [](int x, int y) { return hillPixel(x, y, 32); }));
        const QString handOver = dir.filePath(QStringLiteral("handover.ptr"));
        auto window = openWindow();
        LaunchArguments({QStringLiteral("morvane2"), QStringLiteral("1234567"), png, handOver,
                         QStringLiteral("Model Title")})
            .applyTo(*window);
        QTRY_COMPARE(window->windowTitle(), QStringLiteral("Model Title"));
        QVERIFY(!window->canSave(false));
        QVERIFY(window->canSave(true));
        buttonWithText(window->panel(), QStringLiteral("Accept"))->click();

        ModalAnswerer answerer;
        pressKey(*window, Qt::Key_S, Qt::ControlModifier);
        pressKey(*window, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        QWidget* page = window->ribbonWidget()->page(tabExport);
        for (const char* tip : {"Export STL", "Export OBJ", "Export PTR"})
            buttonWithToolTip(page, QLatin1String(tip))->click();
        QCOMPARE(answerer.boxes.size(), 5);
        for (const BoxRecord& box : answerer.boxes)
            QCOMPARE(box.title, QStringLiteral("Not Allowed"));
        QCOMPARE(answerer.fileDialogs, 0);

        QPushButton* send = buttonWithToolTip(page, QStringLiteral("Send to Layora"));
        QVERIFY(!send->isHidden());
        send->click();
        QCOMPARE(answerer.boxes.size(), 5);
        QVERIFY(QFileInfo(handOver).size() > 16);
    }
};

MORVANE_WINDOW_TEST_MAIN(TestFileCommands)
#include "tst_filecommands_gl.moc"
