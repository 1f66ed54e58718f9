#include "app/mainwindow.h"

#include "app/meshorientcontrols.h"
#include "app/ribbontabs.h"
#include "base/logfile.h"
#include "base/veksettings.h"
#include "files/imageimport.h"
#include "files/ptrfile.h"
#include "files/reliefexport.h"
#include "files/workspacefile.h"
#include "mesh/facetshape.h"
#include "mesh/memorylimit.h"
#include "mesh/meshfileread.h"
#include "relief/relief.h"
#include "relief/reliefsource.h"
#include "relief/sculptundo.h"
#include "ui/centralpanel.h"
#include "ui/ribbon.h"
#include "views/facetwin.h"
#include "views/flatwin.h"
#include "views/progressdialogmonitor.h"
#include "views/sculptwin.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include <new>

namespace {

QString folderOr(const QString& dir)
{
    return dir.isEmpty() ? QStringLiteral(".") : dir;
}

// Appends the suffix unless the name already ends in exactly it.
QString withSuffix(const QString& name, const QString& suffix)
{
    return QFileInfo(name).suffix() == suffix ? name : name + QLatin1Char('.') + suffix;
}

// Whether the views have room to draw a relief of that size beside all that
// is held now: the driver's copies of their arrays and its own working
// memory are taken as it draws, where running short ends the program.
bool roomToShow(const MainWindow& window, const Relief& relief)
{
    return MemoryLimit::room() >= window.bytesToShow(relief);
}

} // namespace

long long MainWindow::bytesToShow(const Relief& relief) const
{
    // The views share one frame of the window; before the window is first
    // shown only the window's own size bounds them.
    const QWidget* frame = isVisible() ? sculptWin()->parentWidget() : this;
    const QSize pixels = frame->size() * devicePixelRatioF();
    const int w = relief.width();
    const int h = relief.height();
    return sculptWin()->drawingBytes(w, h, pixels) + flatWin()->drawingBytes(w, h, pixels);
}

void MainWindow::critical(const QString& title, const QString& text)
{
    QMessageBox::critical(this, title, text, QMessageBox::Ok);
}

void MainWindow::rememberFile(const QString& path, bool addToRecent)
{
    if (addToRecent)
        settings->setLastFile(QFileInfo(path));
}

void MainWindow::load(const QString& fileName, bool addToRecent)
{
    hideBackStage();
    if (!checkToSave())
        return;

    const auto is = [&](const char* suffix) { return fileName.endsWith(QLatin1String(suffix), Qt::CaseInsensitive); };
    bool loaded = false;
    if (is(".scp"))
        loaded = loadScpFile(fileName, addToRecent);
    else if (is(".ptr"))
        loaded = loadPtrFile(fileName, addToRecent);
    else if (is(".obj"))
        loaded = loadObjFile(fileName, addToRecent);
    else if (is(".stl"))
        loaded = loadStlFile(fileName, addToRecent);
    else if (is(".jpg") || is(".jpeg") || is(".png") || is(".bmp"))
        loaded = loadImageFile(fileName, addToRecent);
    else {
        LogFile::warning() << "Unknown file type" << fileName << "\n";
        sculptWin()->resetRotation();
        return;
    }

    if (loaded) {
        setWindowTitle(modelTitle.isEmpty() ? QFileInfo(fileName).fileName() : modelTitle);
        workspaceFile = is(".scp") ? fileName : QString();
        emit recentFilesChanged();
    }
    sculptWin()->resetRotation();
}

void MainWindow::load()
{
    const QString path = QFileDialog::getOpenFileName(
        this, tr("Open Sculpt"), folderOr(settings->lastDir()),
        QStringLiteral("Sculpt Files (*.scp *.ptr *.obj *.stl *.jpg *.jpeg *.png *.bmp)"));
    if (path.isEmpty()) {
        hideBackStage();
        return;
    }
    load(path, true);
}

void MainWindow::openLast()
{
    const QString last = settings->lastFile();
    if (!last.isEmpty())
        load(last, true);
}

void MainWindow::loadImportFile()
{
    load(importFile, false);
}

bool MainWindow::checkToSave()
{
    SculptUndo* undo = centralPanel->undoStack();
    if (!model || !undo->isModified())
        return true;
    for (;;) {
        QMessageBox box(this);
        box.setIcon(QMessageBox::Warning);
        box.setText(QStringLiteral("The current model has been modified."));
        box.setInformativeText(QStringLiteral("Do you want to save your workspace?"));
        box.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Save);
        const int answer = box.exec();
        if (answer == QMessageBox::Discard)
            return true;
        if (answer != QMessageBox::Save)
            return false;
        if (saveScpFile())
            return true;
    }
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    hideBackStage();
    if (checkToSave()) {
        writeSettings();
        event->accept();
        QApplication::quit();
    } else {
        event->ignore();
    }
}

bool MainWindow::saveScpFile()
{
    hideBackStage();
    if (!canSave(false)) {
        showSaveNotAllowed();
        return false;
    }
    if (workspaceFile.isEmpty())
        return saveScpFileAs();
    if (!model)
        return false;
    const FileResult result = WorkspaceFile::save(workspaceFile, *model);
    if (result.code() == FileResult::OpenFailed)
        return false;
    if (!result.ok()) {
        critical(QStringLiteral("Save Failed"), QStringLiteral("Error! File I/O Error"));
        return false;
    }
    settings->setLastFile(QFileInfo(workspaceFile));
    setWindowTitle(QFileInfo(workspaceFile).fileName());
    centralPanel->undoStack()->clear();
    return true;
}

bool MainWindow::saveScpFileAs()
{
    hideBackStage();
    if (!canSave(false)) {
        showSaveNotAllowed();
        return false;
    }
    const QString name = QFileDialog::getSaveFileName(this, QStringLiteral("Save WorkSpace"),
                                                      folderOr(settings->lastDir()),
                                                      QStringLiteral("Sculpt Work Space (*.scp);;"));
    if (name.isEmpty())
        return false;
    // A target the save refuses does not become this workspace's file: Save
    // then writes the file the title names, or asks for a name again.
    const QString before = workspaceFile;
    workspaceFile = withSuffix(name, QStringLiteral("scp"));
    if (saveScpFile())
        return true;
    workspaceFile = before;
    return false;
}

bool MainWindow::loadScpFile(const QString& path, bool addToRecent)
{
    std::unique_ptr<Relief> relief;
    FileResult result;
    try {
        result = WorkspaceFile::load(path, relief);
    } catch (const std::bad_alloc&) {
        result = FileResult::LoadFailed;
    }
    if (result.ok() && !roomToShow(*this, *relief))
        result = FileResult::LoadFailed;
    if (!result.ok()) {
        critical(result.title(), result.text());
        return false;
    }
    setModel(relief.release(), 1);
    rememberFile(path, addToRecent);
    showEditTabs();
    return true;
}

void MainWindow::showEditTabs()
{
    beginTabSwitch();
    for (const QString& t : {tabSculptingTools, tabScaleZ, tab2dEdit, tabExport})
        ribbon->showTab(t, true);
    ribbon->showTab(tabOrientScale, false);
    for (const QString& t : {tabSculptingTools, tabScaleZ, tab2dEdit})
        ribbon->setTabEnabled(t, true);
    setExportEnabled(true);
    ribbon->setCurrentTab(tabSculptingTools);
    endTabSwitch();
}

void MainWindow::fillImportSettings(ReliefSource* source)
{
    source->flipY = centralPanel->flipY();
    source->invertZ = centralPanel->invertZ();
    source->importKeepTransparency = centralPanel->importKeepTransparency();
    source->tiltHorizontal = centralPanel->tiltHorizontal();
    source->tiltVertical = centralPanel->tiltVertical();
    source->smoothSteps = centralPanel->smoothing();
}

void MainWindow::showImportTabs()
{
    beginTabSwitch();
    for (const QString& t : {tabSculptingTools, tabScaleZ, tab2dEdit, tabExport})
        ribbon->showTab(t, true);
    ribbon->showTab(tabOrientScale, false);
    ribbon->setTabEnabled(tabSculptingTools, false);
    ribbon->setTabEnabled(tab2dEdit, false);
    setExportEnabled(false);
    ribbon->setTabEnabled(tabScaleZ, true);
    ribbon->setCurrentTab(tabScaleZ);
    endTabSwitch();
}

bool MainWindow::loadPtrFile(const QString& path, bool addToRecent)
{
    return importSource(
        [&](std::unique_ptr<ReliefSource>& source) { return PtrFile::load(path, integrationKey, source); },
        FileResult::LoadFailed, path, addToRecent);
}

bool MainWindow::loadImageFile(const QString& path, bool addToRecent)
{
    return importSource([&](std::unique_ptr<ReliefSource>& source) { return ImageImport::load(path, source); },
                        FileResult::OpenFailed, path, addToRecent);
}

bool MainWindow::importSource(const std::function<FileResult(std::unique_ptr<ReliefSource>&)>& read,
                              const FileResult& outOfMemory, const QString& path, bool addToRecent)
{
    FileResult result;
    try {
        std::unique_ptr<ReliefSource> source;
        result = read(source);
        if (result.ok()) {
            fillImportSettings(source.get());
            source->dirty = true;
            source->tiltDirty = true;
            std::unique_ptr<Relief> relief(new Relief(*source));
            // The relief holds its own copy.
            source.reset();
            if (!roomToShow(*this, *relief))
                throw std::bad_alloc();
            setModel(relief.release(), 0);
        }
    } catch (const std::bad_alloc&) {
        result = outOfMemory;
    }
    if (!result.ok()) {
        critical(result.title(), result.text());
        return false;
    }
    rememberFile(path, addToRecent);
    showImportTabs();
    return true;
}

bool MainWindow::loadStlFile(const QString& path, bool addToRecent)
{
    return loadMeshFile(path, addToRecent, true);
}

bool MainWindow::loadObjFile(const QString& path, bool addToRecent)
{
    return loadMeshFile(path, addToRecent, false);
}

bool MainWindow::loadMeshFile(const QString& path, bool addToRecent, bool stl)
{
    std::vector<float> arrays;
    // Showing the mesh takes its arrays and the driver's copy of them; a
    // mesh without room for those is refused like one that cannot be read.
    const auto prepare = [&arrays](const FacetShape& shape, const std::atomic<bool>& stop) {
        if (MemoryLimit::room() < FacetWin::drawingBytes(shape.facetCount()))
            throw std::bad_alloc();
        arrays = FacetWin::vertexArray(shape, &stop);
    };
    std::unique_ptr<FacetShape> read;
    MeshFileRead::Outcome outcome;
    {
        ProgressDialogMonitor progress(QStringLiteral("Reading Mesh"));
        outcome = MeshFileRead::read(path, stl ? MeshFileRead::Stl : MeshFileRead::Obj, &progress, prepare, read);
    }
    switch (outcome) {
    case MeshFileRead::Read:
        return holdMesh(std::move(read), std::move(arrays), path, addToRecent);
    case MeshFileRead::OpenFailed:
        critical(QStringLiteral("Open Failed"), QStringLiteral("Error! File Open Failed"));
        return false;
    case MeshFileRead::Failed:
        critical(QStringLiteral("Load Failed"), QStringLiteral("Error! File I/O Error"));
        return false;
    case MeshFileRead::Cancelled:
        break;
    }
    return false;
}

bool MainWindow::holdMesh(std::unique_ptr<FacetShape> newMesh, std::vector<float> arrays, const QString& path,
                          bool addToRecent)
{
    // The load names the window after the mesh; a mesh that makes no relief
    // gives the kept model its own title and workspace back.
    if (!mesh) {
        titleBeforeMesh = windowTitle();
        workspaceBeforeMesh = workspaceFile;
    }
    dropMesh();
    mesh = newMesh.release();

    rememberFile(path, addToRecent);
    centralPanel->showMeshImportTab();
    sizeLabel->clear();
    facetWin()->setFacetShape(mesh, true, std::move(arrays));

    beginTabSwitch();
    ribbon->showTab(tabOrientScale, true);
    ribbon->setTabEnabled(tabOrientScale, true);
    for (const QString& t : {tabSculptingTools, tabScaleZ, tab2dEdit, tabExport})
        ribbon->showTab(t, false);
    ribbon->setCurrentTab(tabOrientScale);
    endTabSwitch();
    meshControls->setMesh(mesh);
    return true;
}

void MainWindow::dropMesh()
{
    if (!mesh)
        return;
    facetWin()->setFacetShape(nullptr, false);
    meshControls->setMesh(nullptr);
    delete mesh;
    mesh = nullptr;
}

void MainWindow::meshReleased(FacetShape* shape)
{
    if (shape == mesh)
        mesh = nullptr;
    delete shape;
}

void MainWindow::meshAccepted(Relief* relief)
{
    setModel(relief, 0);
}

void MainWindow::meshAcceptFinished(bool reliefMade)
{
    // A relief still made from its source is rebuilt at each import setting:
    // strokes on it would be wiped, and undoing them would write stale
    // heights over the rebuilt ones. Sculpting starts with the panel's Accept.
    if (reliefMade) {
        setSculptToolsEnabled(false);
        return;
    }
    // No relief came of the mesh: the window goes back to the model kept as
    // it was before the mesh was opened, its size shown again where the mesh
    // load cleared it.
    setWindowTitle(titleBeforeMesh);
    workspaceFile = workspaceBeforeMesh;
    updateSizeLabel();
    if (freshImport) {
        centralPanel->resumeImportTab();
        setSculptToolsEnabled(false);
        return;
    }
    centralPanel->showToolsTab();
    showEditTabs();
    setSculptToolsEnabled(true);
}

QString MainWindow::exportFileName(const QString& filter, const QString& suffix)
{
    const QString name =
        QFileDialog::getSaveFileName(this, QStringLiteral("Export"), folderOr(settings->lastExportDir()), filter);
    return name.isEmpty() ? name : withSuffix(name, suffix);
}

void MainWindow::exportMesh(bool stl)
{
    if (!canSave(false)) {
        showSaveNotAllowed();
        return;
    }
    if (!model)
        return;
    const QString path = stl ? exportFileName(QStringLiteral("Export (*.stl);;"), QStringLiteral("stl"))
                             : exportFileName(QStringLiteral("Export (*.obj);;"), QStringLiteral("obj"));
    if (path.isEmpty())
        return;
    auto progress = std::make_unique<ProgressDialogMonitor>(QStringLiteral("Reducing Facets"));
    const ReliefExport::Outcome outcome = ReliefExport::write(path, stl ? ReliefExport::Stl : ReliefExport::Obj,
                                                              *model, exportTolerance(), progress.get());
    progress.reset();
    if (outcome == ReliefExport::Written)
        settings->setLastExportDir(QFileInfo(path));
    else if (outcome == ReliefExport::Failed)
        critical(QStringLiteral("Save Failed"), QStringLiteral("Error! File I/O Error"));
}

void MainWindow::exportStlFile()
{
    exportMesh(true);
}

void MainWindow::exportObjFile()
{
    exportMesh(false);
}

void MainWindow::exportPtrFile()
{
    if (!canSave(false)) {
        showSaveNotAllowed();
        return;
    }
    if (!model)
        return;
    const QString path = exportFileName(QStringLiteral("Export (*.ptr);;"), QStringLiteral("ptr"));
    if (path.isEmpty())
        return;
    const FileResult result = PtrFile::save(path, *model, PtrFile::exportRange(*model), QString());
    if (!result.ok())
        critical(QStringLiteral("Save Failed"), QStringLiteral("Error! File I/O Error"));
    else
        settings->setLastExportDir(QFileInfo(path));
}

void MainWindow::exportToLayora()
{
    if (!canSave(true)) {
        showSaveNotAllowed();
        return;
    }
    if (!model)
        return;
    const FileResult result = PtrFile::save(exportFile, *model, PtrFile::handOverRange(*model), integrationKey);
    if (result.code() == FileResult::OpenFailed) {
        critical(QStringLiteral("Open Failed"), QStringLiteral("Error! File Open Failed"));
        return;
    }
    if (!result.ok())
        critical(QStringLiteral("Save Failed"), QStringLiteral("Error! File I/O Error"));
    writeSettings();
    QApplication::quit();
}
