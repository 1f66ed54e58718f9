#include "app/mainwindow.h"

#include "app/materialcontrols.h"
#include "app/meshorientcontrols.h"
#include "app/ribbontabs.h"
#include "app/units.h"
#include "app/updateflow.h"
#include "base/veksettings.h"
#include "relief/relief.h"
#include "relief/reliefsource.h"
#include "relief/sculptundo.h"
#include "ui/aboutpage.h"
#include "ui/backstagewidget.h"
#include "ui/centralpanel.h"
#include "ui/recentfileswidget.h"
#include "ui/startwizard.h"
#include "ui/materiallibrary.h"
#include "ui/ribbon.h"
#include "ui/statusbutton.h"
#include "views/facetwin.h"
#include "views/flatwin.h"
#include "views/sculptwin.h"
#include "mesh/facetshape.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QCursor>
#include <QDockWidget>
#include <QDoubleSpinBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent)
{
    QApplication::setPalette(QPalette(QColor(0xCB, 0xE0, 0xFF)));

    auto* dock = new QDockWidget(this);
    ribbon = new Ribbon(this);
    dock->setWidget(ribbon);
    dock->setAllowedAreas(Qt::TopDockWidgetArea);
    dock->setFeatures(QDockWidget::NoDockWidgetFeatures);
    dock->setObjectName(QStringLiteral("Ribbon"));
    // No title bar: the ribbon's tabs are the strip's head.
    dock->setTitleBarWidget(new QWidget(dock));
    addDockWidget(Qt::TopDockWidgetArea, dock);

    centralPanel = new CentralPanel;
    setCentralWidget(centralPanel);
    if (centralPanel->layout()) {
        centralPanel->layout()->setContentsMargins(0, 0, 0, 0);
        centralPanel->layout()->setSpacing(0);
    }
    connectViews();

    setStatusBar(new QStatusBar);
    statusButton = new StatusButton(this);
    statusBar()->addPermanentWidget(statusButton);
    updateFlow = new UpdateFlow(this, statusButton);

    settings = new VekSettings(this);
    materialLibrary = new MaterialLibrary(settings);
    materialLibrary->load();

    setMinimumWidth(1000);
    restoreWindowState();

    backStage = new BackStageWidget(this);
    setupQuickAccessBar();
    setupRibbon();
    setupPieces();

    connect(continuousCheck, &QCheckBox::clicked, this, &MainWindow::continuousSelectionChanged);
    connect(sampleEdit, &QLineEdit::editingFinished, this, &MainWindow::sampleEdited);
    connect(exportStlButton, &QPushButton::clicked, this, &MainWindow::exportStlFile);
    connect(exportObjButton, &QPushButton::clicked, this, &MainWindow::exportObjFile);
    connect(exportPtrButton, &QPushButton::clicked, this, &MainWindow::exportPtrFile);
    connect(exportLayoraButton, &QPushButton::clicked, this, &MainWindow::exportToLayora);
    exportLayoraButton->hide();

    installEventFilter(this);

    setModel(new Relief(300, 300), 1);

    setStyleSheet(styleSheet() + QStringLiteral("QButton { \t\t\tbackground-color: #B3CEE6 \t\t} \t"));
    setWindowTitle(QStringLiteral("Morvane 2"));

    showOnStartup = settings->value(StartWizard::settingKey(), true).toBool();
}

void MainWindow::showStartWizard()
{
    if (!showOnStartup || findChild<StartWizard*>())
        return;
    auto* wizard = new StartWizard(this, "startWizard", Qt::FramelessWindowHint);
    wizard->setAttribute(Qt::WA_DeleteOnClose);
    connect(wizard, &StartWizard::recentRequested, this, &MainWindow::showBackStage);
    connect(wizard, &StartWizard::openRequested, this, qOverload<>(&MainWindow::load));
    connect(wizard, &StartWizard::resumeLastRequested, this, &MainWindow::openLast);
    connect(wizard, &StartWizard::showOnStartupChanged, this, [this](bool on) { showOnStartup = on; });
}

void MainWindow::setupPieces()
{
    connect(backStage, &BackStageWidget::loadClicked, this, qOverload<>(&MainWindow::load));
    connect(backStage, &BackStageWidget::saveClicked, this, &MainWindow::saveScpFile);
    connect(backStage, &BackStageWidget::saveAsClicked, this, &MainWindow::saveScpFileAs);
    connect(backStage, &BackStageWidget::exitClicked, this, &MainWindow::close);
    backStage->recentFilesWidget()->setSettings(settings);
    connect(backStage->recentFilesWidget(), &RecentFilesWidget::openFileRequested, this,
            [this](const QString& path) { load(path, true); });
    connect(backStage->aboutPage(), &AboutPage::checkForUpdatesRequested, this, &MainWindow::checkForUpdates);

    connect(sculptWin(), &SculptWin::Initialized, materialControls, &MaterialControls::setupControls);
    connect(materialControls, &MaterialControls::lightPositionRestored, this, [this](int pos) {
        if (QAbstractButton* button = lightPosGroup->button(pos))
            button->click();
    });

    meshControls->setDrawingBytes([this](const Relief& relief) { return bytesToShow(relief); });
    connect(meshControls, &MeshOrientControls::importSettingsNeeded, this, &MainWindow::fillImportSettings);
    connect(meshControls, &MeshOrientControls::reliefAccepted, this, &MainWindow::meshAccepted);
    connect(meshControls, &MeshOrientControls::meshReleased, this, &MainWindow::meshReleased);
    connect(meshControls, &MeshOrientControls::acceptFinished, this, &MainWindow::meshAcceptFinished);
    connect(meshControls, &MeshOrientControls::zoomToAllRequested, this, &MainWindow::zoomToAll);
    connect(meshControls, &MeshOrientControls::tabSwitchBegins, this, &MainWindow::beginTabSwitch);
    connect(meshControls, &MeshOrientControls::tabSwitchEnds, this, &MainWindow::endTabSwitch);
}

MainWindow::~MainWindow()
{
    // The views still point at the model and the mesh; they go with the
    // widget tree after this.
    centralPanel->sculptWin()->setRelief(nullptr, false);
    centralPanel->flatWin()->setRelief(nullptr, false);
    centralPanel->facetWin()->setFacetShape(nullptr, false);
    delete model;
    delete mesh;
    delete materialLibrary;
}

void MainWindow::connectViews()
{
    SculptWin* sculpt = centralPanel->sculptWin();
    FlatWin* flat = centralPanel->flatWin();
    CentralPanel* p = centralPanel;
    connect(sculpt, &SculptWin::ToolChanged, p, &CentralPanel::toolChanged);
    connect(sculpt, &SculptWin::ToolStrengthChanged, p, &CentralPanel::toolStrengthUpdated);
    connect(sculpt, &SculptWin::ToolSizeChanged, p, &CentralPanel::toolSizeUpdated);
    connect(sculpt, &SculptWin::ToolKeepTransparencyChanged, p, &CentralPanel::toolKeepTransparencyUpdated);
    connect(sculpt, &SculptWin::ToolModeChanged, p, &CentralPanel::toolModeUpdated);
    connect(sculpt, &SculptWin::ToolHardnessChanged, p, &CentralPanel::toolHardnessUpdated);
    connect(sculpt, &SculptWin::ToolUseDecayLengthChanged, p, &CentralPanel::toolUseDecayLengthUpdated);
    connect(sculpt, &SculptWin::ToolDecayLengthChanged, p, &CentralPanel::decayLengthUpdated);
    connect(sculpt, &SculptWin::ToolUseSmoothingChanged, p, &CentralPanel::toolUseSmoothingUpdated);
    connect(sculpt, &SculptWin::ToolSmoothLengthChanged, p, &CentralPanel::toolSmoothLengthUpdated);
    connect(sculpt, &SculptWin::ReliefDirtyChanged, p, &CentralPanel::reliefDirtyChanged);
    connect(sculpt, &SculptWin::Status, this, &MainWindow::setStatus);
    connect(flat, &FlatWin::Initialized, this, &MainWindow::setup2dControls);
    connect(p, &CentralPanel::acceptClicked, this, &MainWindow::acceptClicked);
    connect(p, &CentralPanel::tabActivated, this, &MainWindow::tabActivated);
    connect(ribbon, &QTabWidget::currentChanged, this, &MainWindow::ribbonTabChanged);
    connect(flat, &FlatWin::SampleChanged, this, &MainWindow::sampleChanged);
}

void MainWindow::restoreWindowState()
{
    if (settings->contains(QStringLiteral("geometry")))
        restoreGeometry(settings->value(QStringLiteral("geometry")).toByteArray());
    if (settings->contains(QStringLiteral("windowState")))
        restoreState(settings->value(QStringLiteral("windowState")).toByteArray(), 0);
    auto* splitter = centralPanel->findChild<QSplitter*>();
    if (splitter && settings->contains(QStringLiteral("splitterState")))
        splitter->restoreState(settings->value(QStringLiteral("splitterState")).toByteArray());
}

SculptWin* MainWindow::sculptWin() const
{
    return centralPanel->sculptWin();
}

FlatWin* MainWindow::flatWin() const
{
    return centralPanel->flatWin();
}

FacetWin* MainWindow::facetWin() const
{
    return centralPanel->facetWin();
}

void MainWindow::setModel(Relief* relief, int mode)
{
    // A fresh import is generated before anything of the window changes:
    // when that runs out of memory, the relief goes and the window stays
    // as it was.
    std::unique_ptr<Relief> incoming(relief != model ? relief : nullptr);
    if (mode == 0 && relief && relief->source())
        relief->rebuild(false);
    incoming.release();

    // A mesh still being oriented is given up for the new model.
    dropMesh();
    // The views drop their arrays of the old relief before it goes, and
    // the undo events of the old relief go with it.
    sculptWin()->setRelief(relief, true);
    flatWin()->setRelief(relief, true);
    if (relief != model) {
        centralPanel->undoStack()->clear();
        delete model;
        model = relief;
    }
    updateSizeLabel();
    // Brush and Fill work to the new relief's base level, not to the one the
    // field was last given.
    if (model)
        sampleChanged(model->baseLevel());

    if (mode == 0) {
        centralPanel->showImportTab();
        setExportEnabled(false);
        setSculptToolsEnabled(false);
        freshImport = true;
        zScaleSpin->setValue(1.0);
        sculptWin()->update();
    } else if (mode == 1) {
        centralPanel->showToolsTab();
        setExportEnabled(true);
        setSculptToolsEnabled(true);
        freshImport = false;
        if (model) {
            zScaleSpin->setValue(model->zScale());
            // The box clamps and rounds the value, but says nothing when it
            // already showed the result: the relief takes what is shown.
            zScaleChanged(zScaleSpin->value());
        }
    }
}

void MainWindow::setExportEnabled(bool on)
{
    exportEnabled = on;
    ribbon->setTabEnabled(tabExport, on);
}

void MainWindow::setSculptToolsEnabled(bool on)
{
    sculptWin()->setTool(on ? checkedTool(sculptToolGroup) : Tool::NoTool);
}

Tool::Type MainWindow::checkedTool(const QButtonGroup* group)
{
    const int id = group->checkedId();
    return id < 0 ? Tool::NoTool : Tool::Type(id);
}

bool MainWindow::canSave(bool forLayora) const
{
    return integrationKey.isEmpty() || forLayora;
}

void MainWindow::showSaveNotAllowed()
{
    QMessageBox::warning(this, QStringLiteral("Not Allowed"),
                         QStringLiteral("Morvane 2 is operating in Layora4 integration mode.\n"
                                        "You may not save, and you may only export to layora in this mode.\n"),
                         QMessageBox::Ok);
}

void MainWindow::setImportFile(const QString& path)
{
    importFile = path;
    if (!importTimer) {
        importTimer = new QTimer(this);
        importTimer->setSingleShot(true);
        connect(importTimer, &QTimer::timeout, this, &MainWindow::loadImportFile);
    }
    // Loaded as soon as the event loop runs, after the window is shown.
    importTimer->start(1);
}

void MainWindow::setExportFile(const QString& path)
{
    exportFile = path;
    exportLayoraButton->show();
}

void MainWindow::setModelTitle(const QString& title)
{
    modelTitle = title;
}

void MainWindow::setIntegrationKey(const QString& key)
{
    integrationKey = key;
}

void MainWindow::writeSettings()
{
    settings->setValue(QStringLiteral("geometry"), saveGeometry());
    settings->setValue(QStringLiteral("windowState"), saveState(0));
    if (auto* splitter = centralPanel->findChild<QSplitter*>())
        settings->setValue(QStringLiteral("splitterState"), splitter->saveState());
    if (materialControls)
        settings->setValue(QStringLiteral("material"), materialControls->currentMaterial());
    settings->setValue(QStringLiteral("lightPosition"), sculptWin()->lightPosition());
    settings->sync();
}

void MainWindow::showBackStage()
{
    backStage->popUp(QCursor::pos());
}

void MainWindow::hideBackStage()
{
    backStage->hide();
}

void MainWindow::toggleBackStage()
{
    if (!backStage->isVisible())
        showBackStage();
    else
        hideBackStage();
}

void MainWindow::setViewTool(int mode)
{
    if (mesh)
        facetWin()->setViewTool(mode);
    else
        sculptWin()->setViewTool(mode);
}

void MainWindow::setLightPos(int pos)
{
    if (pos < 0 || pos > 7)
        return;
    if (mesh)
        facetWin()->setLightPosition(pos);
    else
        sculptWin()->setLightPosition(pos);
}

void MainWindow::setStatus(const QString& msg)
{
    statusBar()->showMessage(msg, 2000);
}

void MainWindow::zoomToAll()
{
    if (mesh) {
        facetWin()->fitToView();
        facetWin()->update();
    } else {
        sculptWin()->fitToView();
        sculptWin()->update();
    }
}

void MainWindow::zScaleChanged(double val)
{
    sculptWin()->setZScale(val);
}

void MainWindow::toleranceChanged(double val)
{
    flatWin()->setTolerance(val);
}

void MainWindow::continuousSelectionChanged(bool on)
{
    flatWin()->setContinuousSelection(on);
}

void MainWindow::colorOffsetChanged(double val)
{
    flatWin()->setColorOffset(val);
}

void MainWindow::quantizationChanged(double val)
{
    flatWin()->setQuantization(val);
}

void MainWindow::setup2dControls()
{
    flatWin()->setColorOffset(colorOffsetSpin->value());
    flatWin()->setQuantization(quantizationSpin->value());
}

void MainWindow::toolButtonClicked(int id)
{
    sculptWin()->setTool(Tool::Type(id));
    flatWin()->setTool(Tool::Type(id));
    const Tool* tool = sculptWin()->currentTool();
    const bool clip = tool && tool->clip;
    centralPanel->setBrushSettingsEnabled(!flatWin()->isVisible() || id == Tool::Erase || id == Tool::Brush);

    QAbstractButton* ceiling = clipGroup->button(0);
    QAbstractButton* floor = clipGroup->button(1);
    ceiling->setEnabled(id == Tool::Deposit);
    floor->setEnabled(id == Tool::Remove);
    ceiling->setChecked(clip && id == Tool::Deposit);
    floor->setChecked(clip && id == Tool::Remove);
}

void MainWindow::toolCheckBoxClicked(int id)
{
    if (QAbstractButton* box = clipGroup->button(id))
        sculptWin()->setToolClip(box->isChecked());
}

void MainWindow::selectionModifierClicked(int id)
{
    flatWin()->setSelectionMode(id);
}

void MainWindow::clickTool(int id)
{
    if (QAbstractButton* button = sculptToolGroup->button(id))
        button->click();
}

void MainWindow::smoothShortCut()
{
    clickTool(Tool::Smooth);
}

void MainWindow::smudgeShortCut()
{
    clickTool(Tool::Smudge);
}

void MainWindow::depositShortCut()
{
    clickTool(Tool::Deposit);
}

void MainWindow::removeShortCut()
{
    clickTool(Tool::Remove);
}

void MainWindow::undoShortCut()
{
    clickTool(Tool::Undo);
}

void MainWindow::eraseShortCut()
{
    clickTool(Tool::Erase);
}

void MainWindow::selectShortCut()
{
    if (QAbstractButton* button = flatToolGroup->button(Tool::Magic))
        button->click();
}

void MainWindow::tabActivated(int tab)
{
    if (tab == 1) {
        setSculptToolsEnabled(!freshImport);
    } else {
        setSculptToolsEnabled(false);
        if (tab == 2)
            updateSizeLabel();
    }
}

void MainWindow::acceptClicked()
{
    if (model)
        model->freeSource();
    freshImport = false;
    setSculptToolsEnabled(true);
    beginTabSwitch();
    ribbon->showTab(tabScaleZ, true);
    ribbon->setTabEnabled(tabSculptingTools, true);
    ribbon->setTabEnabled(tabScaleZ, true);
    ribbon->setTabEnabled(tab2dEdit, true);
    setExportEnabled(true);
    ribbon->setCurrentTab(tabSculptingTools);
    endTabSwitch();
}

void MainWindow::ribbonTabChanged(int tab)
{
    QWidget* page = tab >= 0 ? ribbon->widget(tab) : nullptr;
    if (tabSwitchDepth > 0 || !page || page == currentRibbonPage)
        return;
    currentRibbonPage = page;
    page->setFocus(Qt::OtherFocusReason);

    const QString title = ribbon->tabText(tab);
    SculptWin* sculpt = sculptWin();
    FlatWin* flat = flatWin();
    if (title == tab2dEdit) {
        sculpt->hide();
        if (model)
            model->setRemesh(true);
        const Tool::Type tool = checkedTool(flatToolGroup);
        flat->setTool(tool);
        flat->show();
        centralPanel->hideSculptSettings();
        centralPanel->setBrushSettingsEnabled(tool == Tool::Erase || tool == Tool::Brush);
        flat->update();
    } else if (title == tabSculptingTools) {
        flat->hide();
        if (model)
            model->setRemesh(true);
        sculpt->setTool(checkedTool(sculptToolGroup));
        sculpt->show();
        centralPanel->showSculptSettings();
        centralPanel->setBrushSettingsEnabled(true);
        sculpt->update();
    } else if (title == tabScaleZ) {
        flat->hide();
        if (model)
            model->setRemesh(true);
        sculpt->show();
        centralPanel->showSculptSettings();
        centralPanel->setBrushSettingsEnabled(false);
        sculpt->update();
    } else if (title == tabOrientScale) {
        flat->hide();
        centralPanel->showSculptSettings();
        centralPanel->setBrushSettingsEnabled(true);
    } else if (title == tabExport) {
        // The ribbon forgets a hidden page's disabled state.
        ribbon->setTabEnabled(tabExport, exportEnabled);
    }
}

void MainWindow::beginTabSwitch()
{
    ++tabSwitchDepth;
}

void MainWindow::endTabSwitch()
{
    if (--tabSwitchDepth == 0) {
        ribbon->setTabEnabled(tabExport, exportEnabled);
        ribbonTabChanged(ribbon->currentIndex());
    }
}

void MainWindow::maximizeToggle()
{
}

void MainWindow::minimizationChanged(bool)
{
}

void MainWindow::updateSizeLabel()
{
    double w = 0.0;
    double h = 0.0;
    if (model) {
        w = model->width() / 128.0;
        h = model->height() / 128.0;
    }
    const int units = meshControls ? meshControls->workingUnits() : int(Units::Inch);
    const double factor = unitsFactor(Units::Inch, units);
    const QString suffix = unitsSuffix(units);
    sizeLabel->setText(QStringLiteral("Size: ") + QString::number(w * factor, 'f', 2) + QLatin1Char(' ')
                       + suffix + QStringLiteral(" X ") + QString::number(h * factor, 'f', 2)
                       + QLatin1Char(' ') + suffix);
}

double MainWindow::exportTolerance() const
{
    switch (qualityGroup->checkedId()) {
    case 0:
        return 0.0;
    case 1:
        return 0.001;
    case 2:
        return 0.005;
    default:
        return 0.01;
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = key->modifiers();
        if (!(mods & Qt::KeypadModifier)) {
            const bool none = mods == Qt::NoModifier;
            const bool ctrl = mods == Qt::ControlModifier;
            const bool ctrlShift = mods == (Qt::ControlModifier | Qt::ShiftModifier);
            bool done = true;
            switch (key->key()) {
            case Qt::Key_Z:
                done = ctrl;
                if (done)
                    undoAction->trigger();
                break;
            case Qt::Key_Y:
                done = ctrl;
                if (done)
                    redoAction->trigger();
                break;
            case Qt::Key_F:
                if (ctrl)
                    fileAction->trigger();
                else if (none)
                    zoomToAll();
                else
                    done = false;
                break;
            case Qt::Key_1:
            case Qt::Key_2:
            case Qt::Key_3:
            case Qt::Key_4:
            case Qt::Key_5:
            case Qt::Key_6:
                done = none;
                if (done)
                    clickTool(key->key() - Qt::Key_1);
                break;
            case Qt::Key_O:
                done = ctrl;
                if (done)
                    load();
                break;
            case Qt::Key_S:
                if (ctrl)
                    saveScpFile();
                else if (ctrlShift)
                    saveScpFileAs();
                else
                    done = false;
                break;
            default:
                done = false;
            }
            if (done)
                return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::checkForUpdates()
{
    hideBackStage();
    updateFlow->checkForUpdates();
}

void MainWindow::launchUpdate()
{
    updateFlow->launchUpdate();
}

void MainWindow::finishUpdate(const QString& fileName)
{
    updateFlow->finishUpdate(fileName);
}
