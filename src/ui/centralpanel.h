#pragma once

#include "relief/tool.h"

#include <QList>
#include <QTimer>
#include <QWidget>

class BrushPreview;
class FacetWin;
class FlatWin;
class PageScrollArea;
class QAbstractSlider;
class QButtonGroup;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpacerItem;
class QSplitter;
class QTabWidget;
class QVBoxLayout;
class SculptUndo;
class SculptWin;

// The main window's central widget: the Import and Tools pages beside the
// three views, of which one is shown at a time. The controls hold no
// settings of their own; they convert between slider positions and the
// sculpt view's current tool and relief source.
class CentralPanel : public QWidget
{
    Q_OBJECT

public:
    CentralPanel();
    ~CentralPanel() override;

    bool eventFilter(QObject* watched, QEvent* event) override;

    SculptWin* sculptWin() const { return m_sculptWin; }
    FlatWin* flatWin() const { return m_flatWin; }
    FacetWin* facetWin() const { return m_facetWin; }
    // The one stack the sculpt and 2-D views push their edits onto.
    SculptUndo* undoStack() const { return m_undo; }

    // Import page values.
    double smoothing() const;
    int raiseLowerSteps() const;
    int trimSteps() const;
    int tiltHorizontal() const;
    int tiltVertical() const;
    bool flipY() const;
    bool invertZ() const;
    bool importKeepTransparency() const;
    bool preview() const;
    int gridSize() const;
    int contrastFactor() const;
    int smoothness() const;

    // Tools page values.
    double toolSize() const;
    double toolStrength() const;
    double toolHardness() const;
    double toolAspectRatio() const;
    double toolAxisAngle() const;
    double decayLength() const;
    bool toolKeepTransparency() const;
    Tool::Mode toolMode() const;
    Tool::Form toolForm() const;
    bool toolUseDecayLength() const;
    bool toolUseSmoothing() const;
    int toolSmoothLength() const;

    void showMeshImportTab();
    void showImportTab();
    // Back to the Import page of an import under way, its settings as they
    // are (showImportTab sets them back for a new import).
    void resumeImportTab();
    void showToolsTab();
    void hideSculptSettings();
    void showSculptSettings();
    void setBrushSettingsEnabled(bool enable);

    void focusPreviousControl(QWidget* from);
    void focusNextControl(QWidget* from);
    void drawToolPreview();

signals:
    void acceptClicked();
    void tabActivated(int index);

public slots:
    void toolSizeChanged();
    void toolStrengthChanged();
    void toolKeepTransparencyChanged();
    void smoothToolPathsChanged();
    void toolUseDecayLengthChanged();
    void toolSmoothLengthChanged();
    void decayLengthChanged();
    void toolModeChanged();
    void toolFormChanged();
    void toolHardnessChanged();
    void toolAspectRatioChanged();
    void toolAxisAngleChanged();
    void toolChanged(Tool::Type t);
    void toolSizeUpdated(double v);
    void toolStrengthUpdated(double s);
    void toolKeepTransparencyUpdated(bool b);
    void toolModeUpdated(Tool::Mode m);
    void toolHardnessUpdated(double h);
    void toolUseSmoothingUpdated(bool b);
    void toolUseDecayLengthUpdated(bool b);
    void toolSmoothLengthUpdated(int n);
    void decayLengthUpdated(double d);
    void invertZChanged();
    void flipYChanged();
    void importKeepTransparencyChanged();
    void previewChanged();
    void smoothStepsChanged();
    void raiseLowerStepsChanged();
    void trimStepsChanged();
    void tiltChanged();
    void gridSizeChanged();
    void contrastFactorChanged();
    void smoothnessChanged();
    void reliefChanged();
    void updateRelief();
    void reliefDirtyChanged(bool dirty);
    void acceptPressed();
    void smoothStepsTimeout();
    void raiseLowerStepsTimeout();
    void trimStepsTimeout();
    void tiltTimeout();
    void undoStroke();
    void redoStroke();
    void currentTabChanged(int index);

private:
    void setupUi();
    void setupStyleSheet();
    void connectControls();
    QWidget* buildImportPage();
    QWidget* buildToolsPage();
    // Applies every import timer still running and stops it, so no change
    // reaches a relief after it leaves the Import page.
    void flushImportTimers();
    void showOnlyPage(QWidget* page, bool controlsEnabled);
    void showOnlyView(QWidget* view);
    bool canTakeFocus(QWidget* control) const;

    SculptUndo* m_undo = nullptr;

    QTimer m_smoothTimer;
    QTimer m_raiseLowerTimer;
    QTimer m_trimTimer;
    QTimer m_tiltTimer;

    QList<QWidget*> m_focusList;

    QSplitter* m_splitter = nullptr;
    QFrame* m_controlFrame = nullptr;
    PageScrollArea* m_pageScroll = nullptr;
    QTabWidget* m_tabs = nullptr;

    QWidget* m_importPage = nullptr;
    QCheckBox* m_flipY = nullptr;
    QCheckBox* m_preview = nullptr;
    QCheckBox* m_invertZ = nullptr;
    QCheckBox* m_importTransparency = nullptr;
    QLabel* m_smoothingLabel = nullptr;
    QSlider* m_smoothing = nullptr;
    QLabel* m_raiseLowerLabel = nullptr;
    QSlider* m_raiseLower = nullptr;
    QLabel* m_trimLabel = nullptr;
    QSlider* m_trim = nullptr;
    QGroupBox* m_tiltBox = nullptr;
    QLabel* m_tiltVerticalLabel = nullptr;
    QSlider* m_tiltVertical = nullptr;
    QLabel* m_tiltHorizontalLabel = nullptr;
    QSlider* m_tiltHorizontal = nullptr;
    QGroupBox* m_basReliefBox = nullptr;
    QLabel* m_gridSizeLabel = nullptr;
    QSlider* m_gridSize = nullptr;
    QLabel* m_contrastLabel = nullptr;
    QSlider* m_contrast = nullptr;
    QLabel* m_smoothnessLabel = nullptr;
    QSlider* m_smoothness = nullptr;
    QPushButton* m_basReliefOn = nullptr;
    QPushButton* m_update = nullptr;
    QPushButton* m_accept = nullptr;

    QWidget* m_toolsPage = nullptr;
    QFrame* m_brushFrame = nullptr;
    QSpacerItem* m_settingsSpacer = nullptr;
    QFrame* m_settingsFrame = nullptr;
    QGroupBox* m_brushBox = nullptr;
    QPushButton* m_roundBrush = nullptr;
    QPushButton* m_squareBrush = nullptr;
    QLabel* m_aspectLabel = nullptr;
    QSlider* m_aspect = nullptr;
    QLabel* m_angleLabel = nullptr;
    QSlider* m_angle = nullptr;
    BrushPreview* m_brushPreview = nullptr;
    QLabel* m_sizeLabel = nullptr;
    QSlider* m_size = nullptr;
    QLabel* m_strengthLabel = nullptr;
    QSlider* m_strength = nullptr;
    QLabel* m_hardnessLabel = nullptr;
    QSlider* m_hardness = nullptr;
    QCheckBox* m_toolTransparency = nullptr;
    QGroupBox* m_modeBox = nullptr;
    QRadioButton* m_normal = nullptr;
    QRadioButton* m_raise = nullptr;
    QRadioButton* m_lower = nullptr;
    QLabel* m_decayLabel = nullptr;
    QCheckBox* m_decaySwitch = nullptr;
    QSlider* m_decay = nullptr;
    QLabel* m_smoothPathsLabel = nullptr;
    QCheckBox* m_smoothPathsSwitch = nullptr;
    QSlider* m_smoothLength = nullptr;

    QFrame* m_viewFrame = nullptr;
    SculptWin* m_sculptWin = nullptr;
    FlatWin* m_flatWin = nullptr;
    FacetWin* m_facetWin = nullptr;

    QButtonGroup* m_modeGroup = nullptr;
    QButtonGroup* m_formGroup = nullptr;
};
