#pragma once

#include "relief/tool.h"

#include <QIcon>
#include <QMainWindow>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class BackStageWidget;
class CentralPanel;
class FacetShape;
class FileResult;
class FacetWin;
class FlatWin;
class MaterialControls;
class MaterialLibrary;
class MeshOrientControls;
class QAction;
class QButtonGroup;
class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class Relief;
class ReliefSource;
class Ribbon;
class SculptWin;
class StatusButton;
class UpdateFlow;
class VekSettings;

// The program's one top-level window: owns the current relief and, while a
// mesh is being oriented, the mesh; wires the ribbon, the central panel with
// its views, the back stage and the file commands together.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Mode 0: a fresh import awaiting acceptance; mode 1: a final model.
    // The window owns relief from now on.
    void setModel(Relief* relief, int mode);
    Relief* currentModel() const { return model; }
    FacetShape* currentMesh() const { return mesh; }
    // Memory the views take to draw that relief.
    long long bytesToShow(const Relief& relief) const;

    bool canSave(bool forLayora) const;
    void showSaveNotAllowed();

    // Command-line hand-over from start-up.
    void setImportFile(const QString& path);
    void setExportFile(const QString& path);
    void setModelTitle(const QString& title);
    void setIntegrationKey(const QString& key);
    // The start page over the window, unless the user turned it off; a
    // plain start shows it.
    void showStartWizard();

    void writeSettings();

    SculptWin* sculptWin() const;
    FlatWin* flatWin() const;
    FacetWin* facetWin() const;
    CentralPanel* panel() const { return centralPanel; }
    Ribbon* ribbonWidget() const { return ribbon; }
    VekSettings* vekSettings() const { return settings; }
    BackStageWidget* backStageWidget() const { return backStage; }
    QString workspacePath() const { return workspaceFile; }
    double exportTolerance() const;

    // The tool button factory of the ribbon pages.
    static QPushButton* makeToolButton(const QIcon& icon, const QString& toolTip, bool checkable,
                                       const QSize& iconSize = QSize());

public slots:
    void load(const QString& fileName, bool addToRecent = true);
    void load();
    void openLast();
    void showBackStage();
    void hideBackStage();
    void toggleBackStage();
    bool saveScpFile();
    bool saveScpFileAs();
    void exportStlFile();
    void exportObjFile();
    void exportPtrFile();
    void exportToLayora();
    void checkForUpdates();
    void launchUpdate();
    void finishUpdate(const QString& fileName);

signals:
    void recentFilesChanged();
    void showExportPage();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private slots:
    void loadImportFile();
    void setViewTool(int mode);
    void setLightPos(int pos);
    void setStatus(const QString& msg);
    void zoomToAll();
    void zScaleChanged(double val);
    void toleranceChanged(double val);
    void continuousSelectionChanged(bool on);
    void colorOffsetChanged(double val);
    void quantizationChanged(double val);
    void setup2dControls();
    void toolButtonClicked(int id);
    void toolCheckBoxClicked(int id);
    void selectionModifierClicked(int id);
    void smoothShortCut();
    void smudgeShortCut();
    void depositShortCut();
    void removeShortCut();
    void undoShortCut();
    void eraseShortCut();
    void selectShortCut();
    void tabActivated(int tab);
    void acceptClicked();
    void ribbonTabChanged(int tab);
    void maximizeToggle();
    void minimizationChanged(bool minimized);
    void sampleChanged(double sample);
    void sampleEdited();
    void applyCrop();
    void meshAcceptFinished(bool reliefMade);

private:
    // Hand-over from the mesh orientation controls.
    void meshAccepted(Relief* relief);
    void meshReleased(FacetShape* shape);
    void fillImportSettings(ReliefSource* source);

    // Ribbon pages.
    void setupQuickAccessBar();
    void setupRibbon();
    void setupLightPosGroup(const QString& page);
    void setupColorizationGroup(const QString& page);
    void setupZScaleGroup(const QString& page);
    void setupToolsGroup(const QString& page);
    void setup2dEditGroups(const QString& page);
    void setupExportGroup(const QString& page);

    // Shell.
    void connectViews();
    void restoreWindowState();
    void setSculptToolsEnabled(bool on);
    // The tool a view goes back to is the one its page's buttons show: the
    // sculpting keys and buttons set both views' tools, on any page.
    static Tool::Type checkedTool(const QButtonGroup* group);
    void updateSizeLabel();
    void clickTool(int id);
    void setExportEnabled(bool on);
    void showImportTabs();
    // The tabs of a final model, "Sculpting Tools" current.
    void showEditTabs();
    // Several tabs shown, hidden and made current in a row announce each
    // step; the window acts once, on the tab current at the end.
    void beginTabSwitch();
    void endTabSwitch();
    void setupPieces();

    // File commands.
    bool checkToSave();
    bool loadScpFile(const QString& path, bool addToRecent);
    bool loadPtrFile(const QString& path, bool addToRecent);
    bool loadObjFile(const QString& path, bool addToRecent);
    bool loadStlFile(const QString& path, bool addToRecent);
    bool loadImageFile(const QString& path, bool addToRecent);
    bool loadMeshFile(const QString& path, bool addToRecent, bool stl);
    void dropMesh();
    // The mesh read, with the arrays its view draws from made already.
    bool holdMesh(std::unique_ptr<FacetShape> newMesh, std::vector<float> arrays, const QString& path,
                  bool addToRecent);
    // A fresh import from the source that read gives, or the box of a failed
    // read; running out of memory while reading or building the relief
    // fails as outOfMemory.
    bool importSource(const std::function<FileResult(std::unique_ptr<ReliefSource>&)>& read,
                      const FileResult& outOfMemory, const QString& path, bool addToRecent);
    void exportMesh(bool stl);
    QString exportFileName(const QString& filter, const QString& suffix);
    void critical(const QString& title, const QString& text);
    void rememberFile(const QString& path, bool addToRecent);

    CentralPanel* centralPanel = nullptr;
    Relief* model = nullptr;
    FacetShape* mesh = nullptr;
    VekSettings* settings = nullptr;
    MaterialLibrary* materialLibrary = nullptr;

    QString importFile;
    QString exportFile;
    QString modelTitle;
    QString integrationKey;
    QString workspaceFile;
    // What the window was called and saved to before the mesh being
    // oriented was opened.
    QString titleBeforeMesh;
    QString workspaceBeforeMesh;

    Ribbon* ribbon = nullptr;

    QAction* fileAction = nullptr;
    QAction* undoAction = nullptr;
    QAction* redoAction = nullptr;
    QLineEdit* sampleEdit = nullptr;
    QCheckBox* continuousCheck = nullptr;
    QDoubleSpinBox* zScaleSpin = nullptr;
    QDoubleSpinBox* toleranceSpin = nullptr;
    QButtonGroup* sculptToolGroup = nullptr;
    QButtonGroup* flatToolGroup = nullptr;
    QButtonGroup* clipGroup = nullptr;
    QButtonGroup* selectionModifierGroup = nullptr;
    QButtonGroup* lightPosGroup = nullptr;
    QDoubleSpinBox* colorOffsetSpin = nullptr;
    QDoubleSpinBox* quantizationSpin = nullptr;
    QLabel* sizeLabel = nullptr;
    QButtonGroup* qualityGroup = nullptr;
    QPushButton* exportStlButton = nullptr;
    QPushButton* exportObjButton = nullptr;
    QPushButton* exportPtrButton = nullptr;
    QPushButton* exportLayoraButton = nullptr;

    BackStageWidget* backStage = nullptr;
    StatusButton* statusButton = nullptr;
    MeshOrientControls* meshControls = nullptr;
    MaterialControls* materialControls = nullptr;
    UpdateFlow* updateFlow = nullptr;

    bool showOnStartup = true;
    bool freshImport = false;
    // The Export tab's wanted state: the ribbon forgets it while the tab is
    // hidden.
    bool exportEnabled = true;

    // The page the ribbon last showed as current: hiding a tab before it
    // re-announces the same page, which must not set the tools again (that
    // drops a shape being drawn in the 2-D view).
    QWidget* currentRibbonPage = nullptr;
    int tabSwitchDepth = 0;

    QTimer* importTimer = nullptr;
};
