#include "ui/centralpanel.h"

#include "relief/sculptundo.h"
#include "views/facetwin.h"
#include "views/flatwin.h"
#include "views/sculptwin.h"

#include <QVBoxLayout>

CentralPanel::CentralPanel()
{
    m_undo = new SculptUndo;
    auto* box = new QVBoxLayout(this);
    m_sculptWin = new SculptWin(this);
    m_flatWin = new FlatWin(this);
    m_facetWin = new FacetWin(this);
    box->addWidget(m_sculptWin);
    box->addWidget(m_flatWin);
    box->addWidget(m_facetWin);
    m_sculptWin->setUndo(m_undo);
    m_flatWin->setUndo(m_undo);
    m_flatWin->hide();
    m_facetWin->hide();
}

CentralPanel::~CentralPanel()
{
    delete m_undo;
}

bool CentralPanel::eventFilter(QObject* watched, QEvent* event)
{
    return QWidget::eventFilter(watched, event);
}

double CentralPanel::smoothing() const
{
    return 0.0;
}

int CentralPanel::raiseLowerSteps() const
{
    return 0;
}

int CentralPanel::trimSteps() const
{
    return 0;
}

int CentralPanel::tiltHorizontal() const
{
    return 0;
}

int CentralPanel::tiltVertical() const
{
    return 0;
}

bool CentralPanel::flipY() const
{
    return false;
}

bool CentralPanel::invertZ() const
{
    return false;
}

bool CentralPanel::importKeepTransparency() const
{
    return false;
}

bool CentralPanel::preview() const
{
    return false;
}

int CentralPanel::gridSize() const
{
    return 0;
}

int CentralPanel::contrastFactor() const
{
    return 0;
}

int CentralPanel::smoothness() const
{
    return 0;
}

double CentralPanel::toolSize() const
{
    return 0.0;
}

double CentralPanel::toolStrength() const
{
    return 0.0;
}

double CentralPanel::toolHardness() const
{
    return 0.0;
}

double CentralPanel::toolAspectRatio() const
{
    return 0.0;
}

double CentralPanel::toolAxisAngle() const
{
    return 0.0;
}

double CentralPanel::decayLength() const
{
    return 0.0;
}

bool CentralPanel::toolKeepTransparency() const
{
    return false;
}

Tool::Mode CentralPanel::toolMode() const
{
    return Tool::Normal;
}

Tool::Form CentralPanel::toolForm() const
{
    return Tool::Round;
}

bool CentralPanel::toolUseDecayLength() const
{
    return false;
}

bool CentralPanel::toolUseSmoothing() const
{
    return false;
}

int CentralPanel::toolSmoothLength() const
{
    return 0;
}

void CentralPanel::showMeshImportTab()
{
}

void CentralPanel::showImportTab()
{
}

void CentralPanel::showToolsTab()
{
}

void CentralPanel::hideSculptSettings()
{
}

void CentralPanel::showSculptSettings()
{
}

void CentralPanel::setBrushSettingsEnabled(bool enable)
{
    Q_UNUSED(enable)
}

void CentralPanel::focusPreviousControl(QWidget* from)
{
    Q_UNUSED(from)
}

void CentralPanel::focusNextControl(QWidget* from)
{
    Q_UNUSED(from)
}

void CentralPanel::drawToolPreview()
{
}

void CentralPanel::acceptClicked()
{
}

void CentralPanel::tabActivated(int index)
{
    Q_UNUSED(index)
}

void CentralPanel::toolSizeChanged()
{
}

void CentralPanel::toolStrengthChanged()
{
}

void CentralPanel::toolKeepTransparencyChanged()
{
}

void CentralPanel::smoothToolPathsChanged()
{
}

void CentralPanel::toolUseDecayLengthChanged()
{
}

void CentralPanel::toolSmoothLengthChanged()
{
}

void CentralPanel::decayLengthChanged()
{
}

void CentralPanel::toolModeChanged()
{
}

void CentralPanel::toolFormChanged()
{
}

void CentralPanel::toolHardnessChanged()
{
}

void CentralPanel::toolAspectRatioChanged()
{
}

void CentralPanel::toolAxisAngleChanged()
{
}

void CentralPanel::toolChanged(Tool::Type t)
{
    Q_UNUSED(t)
}

void CentralPanel::toolSizeUpdated(double v)
{
    Q_UNUSED(v)
}

void CentralPanel::toolStrengthUpdated(double s)
{
    Q_UNUSED(s)
}

void CentralPanel::toolKeepTransparencyUpdated(bool b)
{
    Q_UNUSED(b)
}

void CentralPanel::toolModeUpdated(Tool::Mode m)
{
    Q_UNUSED(m)
}

void CentralPanel::toolHardnessUpdated(double h)
{
    Q_UNUSED(h)
}

void CentralPanel::toolUseSmoothingUpdated(bool b)
{
    Q_UNUSED(b)
}

void CentralPanel::toolUseDecayLengthUpdated(bool b)
{
    Q_UNUSED(b)
}

void CentralPanel::toolSmoothLengthUpdated(int n)
{
    Q_UNUSED(n)
}

void CentralPanel::decayLengthUpdated(double d)
{
    Q_UNUSED(d)
}

void CentralPanel::invertZChanged()
{
}

void CentralPanel::flipYChanged()
{
}

void CentralPanel::importKeepTransparencyChanged()
{
}

void CentralPanel::previewChanged()
{
}

void CentralPanel::smoothStepsChanged()
{
}

void CentralPanel::raiseLowerStepsChanged()
{
}

void CentralPanel::trimStepsChanged()
{
}

void CentralPanel::tiltChanged()
{
}

void CentralPanel::gridSizeChanged()
{
}

void CentralPanel::contrastFactorChanged()
{
}

void CentralPanel::smoothnessChanged()
{
}

void CentralPanel::reliefChanged()
{
}

void CentralPanel::updateRelief()
{
}

void CentralPanel::reliefDirtyChanged(bool dirty)
{
    Q_UNUSED(dirty)
}

void CentralPanel::acceptPressed()
{
}

void CentralPanel::smoothStepsTimeout()
{
}

void CentralPanel::raiseLowerStepsTimeout()
{
}

void CentralPanel::trimStepsTimeout()
{
}

void CentralPanel::tiltTimeout()
{
}

void CentralPanel::undoStroke()
{
}

void CentralPanel::redoStroke()
{
}

void CentralPanel::currentTabChanged(int index)
{
    Q_UNUSED(index)
}
