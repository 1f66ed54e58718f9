#include "ui/centralpanel.h"

#include "relief/sculptundo.h"
#include "ui/brushpreview.h"
#include "ui/pagescrollarea.h"
#include "ui/slidermapping.h"
#include "views/facetwin.h"
#include "views/flatwin.h"
#include "views/sculptwin.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpacerItem>
#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

const int importDelayMs = 200;

QSlider* makeSlider(QWidget* parent, const char* name, int minimum, int maximum, int pageStep,
                    int value)
{
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setObjectName(QLatin1String(name));
    slider->setRange(minimum, maximum);
    slider->setSingleStep(1);
    slider->setPageStep(pageStep);
    slider->setValue(value);
    return slider;
}

QLabel* makeCaption(QWidget* parent, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignHCenter);
    return label;
}

QCheckBox* makeCheckBox(QWidget* parent, const char* name, const QString& text, bool checked)
{
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(QLatin1String(name));
    box->setChecked(checked);
    return box;
}

QLabel* makeIcon(QWidget* parent, const char* resource)
{
    auto* label = new QLabel(parent);
    label->setFixedSize(22, 22);
    label->setScaledContents(true);
    label->setPixmap(QPixmap(QLatin1String(resource)));
    return label;
}

// [icon, slider, icon] in one row.
QHBoxLayout* iconRow(QWidget* parent, const char* low, QSlider* slider, const char* high)
{
    auto* row = new QHBoxLayout;
    row->addWidget(makeIcon(parent, low));
    row->addWidget(slider);
    row->addWidget(makeIcon(parent, high));
    return row;
}

QPushButton* makeFormButton(QWidget* parent, const char* name, const char* icon, bool checked)
{
    auto* button = new QPushButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setIcon(QIcon(QLatin1String(icon)));
    button->setCheckable(true);
    button->setAutoExclusive(true);
    button->setChecked(checked);
    return button;
}

void restartTimer(QTimer& timer)
{
    timer.start(importDelayMs);
}

// Runs the timer's pending change now instead of later.
template <class Slot>
void applyPending(QTimer& timer, CentralPanel* panel, Slot slot)
{
    if (!timer.isActive())
        return;
    timer.stop();
    (panel->*slot)();
}

const char* const updateDirtyStyle =
    "* { background-color: red; selection-background-color: red; border: 4px double }";
const char* const updateCleanStyle = "* { selection-color: black; border: 4px double }";

} // namespace

CentralPanel::CentralPanel()
{
    setupUi();
    setupStyleSheet();

    m_undo = new SculptUndo;
    m_sculptWin->setUndo(m_undo);
    m_flatWin->setUndo(m_undo);

    m_formGroup->setId(m_roundBrush, Tool::Round);
    m_formGroup->setId(m_squareBrush, Tool::Square);
    m_modeGroup->setId(m_normal, Tool::Normal);
    m_modeGroup->setId(m_raise, Tool::Raise);
    m_modeGroup->setId(m_lower, Tool::Lower);

    connectControls();
    // The 2-D view made its first tool before the start values above reached
    // the sculpt view's; tools made later start from the current one, so a
    // brush made from it would have no size, strength or hardness.
    if (Tool* first = m_flatWin->currentTool())
        first->takeBrushFrom(*m_sculptWin->currentTool());

    m_facetWin->hide();
    m_flatWin->hide();

    for (QObject* watched : std::initializer_list<QObject*>{
             m_smoothing, m_raiseLower, m_trim, m_tiltHorizontal, m_tiltVertical, m_gridSize,
             m_contrast, m_smoothness, m_aspect, m_angle, m_size, m_strength, m_hardness, m_decay,
             m_smoothLength, m_toolTransparency, m_decaySwitch, m_smoothPathsSwitch, m_roundBrush,
             m_squareBrush, m_normal, m_raise, m_lower, this})
        watched->installEventFilter(this);

    m_focusList = {m_roundBrush, m_squareBrush, m_aspect,           m_angle,   m_size,
                   m_strength,   m_hardness,    m_toolTransparency, m_normal,  m_raise,
                   m_lower,      m_decaySwitch, m_decay,            m_smoothPathsSwitch,
                   m_smoothLength};

    drawToolPreview();
}

CentralPanel::~CentralPanel()
{
    delete m_undo;
}

void CentralPanel::setupUi()
{
    auto* outer = new QVBoxLayout(this);
    m_splitter = new QSplitter(Qt::Horizontal, this);
    outer->addWidget(m_splitter);

    m_controlFrame = new QFrame(m_splitter);
    m_controlFrame->setObjectName(QStringLiteral("ControlFrame"));
    m_controlFrame->setFrameShape(QFrame::StyledPanel);
    m_controlFrame->setFrameShadow(QFrame::Raised);
    m_controlFrame->setAutoFillBackground(true);
    auto* controlBox = new QVBoxLayout(m_controlFrame);
    m_tabs = new QTabWidget;
    QFont font = m_tabs->font();
    font.setPointSize(11);
    m_tabs->setFont(font);
    m_pageScroll = new PageScrollArea(m_tabs, m_controlFrame);
    controlBox->addWidget(m_pageScroll);

    m_modeGroup = new QButtonGroup(this);
    m_formGroup = new QButtonGroup(this);

    m_tabs->addTab(buildImportPage(), QStringLiteral("Import"));
    m_tabs->addTab(buildToolsPage(), QStringLiteral("Tools"));
    m_tabs->setCurrentIndex(1);
    m_splitter->addWidget(m_controlFrame);

    m_viewFrame = new QFrame(m_splitter);
    m_viewFrame->setMinimumSize(0, 0);
    m_viewFrame->setBaseSize(0, 0);
    auto* viewBox = new QVBoxLayout(m_viewFrame);
    m_sculptWin = new SculptWin(m_viewFrame);
    m_flatWin = new FlatWin(m_viewFrame);
    m_facetWin = new FacetWin(m_viewFrame);
    viewBox->addWidget(m_sculptWin);
    viewBox->addWidget(m_flatWin);
    viewBox->addWidget(m_facetWin);
    m_splitter->addWidget(m_viewFrame);
}

QWidget* CentralPanel::buildImportPage()
{
    m_importPage = new QWidget;
    QWidget* page = m_importPage;
    auto* box = new QVBoxLayout(page);

    auto* checks = new QGridLayout;
    m_flipY = makeCheckBox(page, "flipY", QStringLiteral("Flip Y"), false);
    m_preview = makeCheckBox(page, "preview", QStringLiteral("Preview"), true);
    m_invertZ = makeCheckBox(page, "invertZ", QStringLiteral("Invert Z"), false);
    m_importTransparency =
        makeCheckBox(page, "importTransparency", QStringLiteral("Transparency"), true);
    checks->addWidget(m_flipY, 0, 0);
    checks->addWidget(m_preview, 0, 1);
    checks->addWidget(m_invertZ, 1, 0);
    checks->addWidget(m_importTransparency, 1, 1);
    box->addLayout(checks);

    m_smoothingLabel = makeCaption(page, QStringLiteral("Smoothing"));
    m_smoothing = makeSlider(page, "smoothing", 0, 50, 5, 0);
    m_raiseLowerLabel = makeCaption(page, QStringLiteral("Raise / Lower"));
    m_raiseLower = makeSlider(page, "raiseLower", -100, 100, 10, 0);
    m_trimLabel = makeCaption(page, QStringLiteral("Trim"));
    m_trim = makeSlider(page, "trim", 0, 20, 1, 0);
    for (QWidget* w : {static_cast<QWidget*>(m_smoothingLabel), static_cast<QWidget*>(m_smoothing),
                       static_cast<QWidget*>(m_raiseLowerLabel),
                       static_cast<QWidget*>(m_raiseLower), static_cast<QWidget*>(m_trimLabel),
                       static_cast<QWidget*>(m_trim)})
        box->addWidget(w);

    m_tiltBox = new QGroupBox(QStringLiteral("Tilt"), page);
    auto* tiltBox = new QVBoxLayout(m_tiltBox);
    m_tiltVerticalLabel = makeCaption(m_tiltBox, QStringLiteral("Vertical"));
    m_tiltVertical = makeSlider(m_tiltBox, "tiltVertical", -100, 100, 20, 0);
    m_tiltHorizontalLabel = makeCaption(m_tiltBox, QStringLiteral("Horizontal"));
    m_tiltHorizontal = makeSlider(m_tiltBox, "tiltHorizontal", -100, 100, 20, 0);
    for (QSlider* s : {m_tiltVertical, m_tiltHorizontal}) {
        s->setTickPosition(QSlider::TicksAbove);
        s->setTickInterval(5);
    }
    tiltBox->addWidget(m_tiltVerticalLabel);
    tiltBox->addWidget(m_tiltVertical);
    tiltBox->addWidget(m_tiltHorizontalLabel);
    tiltBox->addWidget(m_tiltHorizontal);
    box->addWidget(m_tiltBox);

    m_basReliefBox = new QGroupBox(QStringLiteral("Bas-Relief"), page);
    auto* basBox = new QVBoxLayout(m_basReliefBox);
    m_gridSizeLabel = makeCaption(m_basReliefBox, QStringLiteral("Grid Size"));
    m_gridSize = makeSlider(m_basReliefBox, "gridSize", 1, 5, 1, 2);
    m_contrastLabel = makeCaption(m_basReliefBox, QStringLiteral("Contrast Factor"));
    m_contrast = makeSlider(m_basReliefBox, "contrastFactor", 1, 16, 1, 4);
    m_smoothnessLabel = makeCaption(m_basReliefBox, QStringLiteral("Smoothness"));
    m_smoothness = makeSlider(m_basReliefBox, "smoothness", 1, 9, 1, 3);
    basBox->addWidget(m_gridSizeLabel);
    basBox->addWidget(m_gridSize);
    basBox->addWidget(m_contrastLabel);
    basBox->addWidget(m_contrast);
    basBox->addWidget(m_smoothnessLabel);
    basBox->addWidget(m_smoothness);
    auto* buttons = new QHBoxLayout;
    m_basReliefOn = new QPushButton(QStringLiteral("On / Off"), m_basReliefBox);
    m_basReliefOn->setObjectName(QStringLiteral("basReliefOn"));
    m_basReliefOn->setCheckable(true);
    m_update = new QPushButton(QStringLiteral("Update"), m_basReliefBox);
    m_update->setObjectName(QStringLiteral("update"));
    buttons->addWidget(m_basReliefOn);
    buttons->addWidget(m_update);
    basBox->addLayout(buttons);
    box->addWidget(m_basReliefBox);

    m_accept = new QPushButton(QStringLiteral("Accept"), page);
    m_accept->setObjectName(QStringLiteral("accept"));
    box->addWidget(m_accept);
    box->addStretch();
    return page;
}

QWidget* CentralPanel::buildToolsPage()
{
    m_toolsPage = new QWidget;
    QWidget* page = m_toolsPage;
    auto* box = new QVBoxLayout(page);

    m_brushFrame = new QFrame(page);
    auto* brushBox = new QVBoxLayout(m_brushFrame);
    auto* brushRow = new QHBoxLayout;
    m_brushBox = new QGroupBox(QStringLiteral("Brush"), m_brushFrame);
    m_brushBox->setAlignment(Qt::AlignHCenter);
    auto* forms = new QVBoxLayout(m_brushBox);
    m_roundBrush = makeFormButton(m_brushBox, "roundBrush", ":/morvane2/round_brush", true);
    m_squareBrush = makeFormButton(m_brushBox, "squareBrush", ":/morvane2/square_brush", false);
    forms->addWidget(m_roundBrush);
    forms->addWidget(m_squareBrush);
    m_formGroup->addButton(m_roundBrush);
    m_formGroup->addButton(m_squareBrush);
    brushRow->addWidget(m_brushBox);

    auto* shape = new QVBoxLayout;
    m_aspectLabel = makeCaption(m_brushFrame, QStringLiteral("Aspect"));
    m_aspect = makeSlider(m_brushFrame, "aspect", 10, 150, 10, 10);
    m_angleLabel = makeCaption(m_brushFrame, QStringLiteral("Angle"));
    m_angle = makeSlider(m_brushFrame, "angle", -90, 90, 10, 0);
    shape->addWidget(m_aspectLabel);
    shape->addWidget(m_aspect);
    shape->addWidget(m_angleLabel);
    shape->addWidget(m_angle);
    brushRow->addLayout(shape);
    m_brushPreview = new BrushPreview(m_brushFrame);
    m_brushPreview->setObjectName(QStringLiteral("brushPreview"));
    brushRow->addWidget(m_brushPreview);
    brushBox->addLayout(brushRow);

    m_sizeLabel = makeCaption(m_brushFrame, QStringLiteral("Tool Size"));
    m_size = makeSlider(m_brushFrame, "toolSize", 1, 100, 10, 50);
    brushBox->addWidget(m_sizeLabel);
    brushBox->addLayout(
        iconRow(m_brushFrame, ":/morvane2/tool_size_small", m_size, ":/morvane2/tool_size_large"));
    box->addWidget(m_brushFrame);

    m_settingsSpacer = new QSpacerItem(1, 1, QSizePolicy::Minimum, QSizePolicy::Minimum);
    box->addItem(m_settingsSpacer);

    m_settingsFrame = new QFrame(page);
    QWidget* s = m_settingsFrame;
    auto* settings = new QVBoxLayout(m_settingsFrame);
    m_strengthLabel = makeCaption(s, QStringLiteral("Tool Strength"));
    m_strength = makeSlider(s, "toolStrength", 1, 100, 10, 50);
    settings->addWidget(m_strengthLabel);
    settings->addLayout(
        iconRow(s, ":/morvane2/tool_strength_low", m_strength, ":/morvane2/tool_strength_high"));
    m_hardnessLabel = makeCaption(s, QStringLiteral("Tool Hardness"));
    m_hardness = makeSlider(s, "toolHardness", 0, 100, 10, 50);
    settings->addWidget(m_hardnessLabel);
    settings->addLayout(
        iconRow(s, ":/morvane2/tool_profile_soft", m_hardness, ":/morvane2/tool_profile_hard"));
    m_toolTransparency =
        makeCheckBox(s, "toolTransparency", QStringLiteral("Keep Transparency"), true);
    settings->addWidget(m_toolTransparency);

    m_modeBox = new QGroupBox(QStringLiteral("Mode"), s);
    auto* modes = new QHBoxLayout(m_modeBox);
    m_normal = new QRadioButton(QStringLiteral("Normal"), m_modeBox);
    m_raise = new QRadioButton(QStringLiteral("Raise"), m_modeBox);
    m_lower = new QRadioButton(QStringLiteral("Lower"), m_modeBox);
    m_normal->setObjectName(QStringLiteral("normal"));
    m_raise->setObjectName(QStringLiteral("raise"));
    m_lower->setObjectName(QStringLiteral("lower"));
    m_normal->setChecked(true);
    for (QRadioButton* b : {m_normal, m_raise, m_lower}) {
        modes->addWidget(b);
        m_modeGroup->addButton(b);
    }
    settings->addWidget(m_modeBox);

    m_decayLabel = makeCaption(s, QStringLiteral("Decay Length"));
    m_decaySwitch = makeCheckBox(s, "decaySwitch", QString(), false);
    m_decay = makeSlider(s, "decayLength", 0, 100, 10, 50);
    settings->addWidget(m_decayLabel);
    auto* decayRow = new QHBoxLayout;
    decayRow->addWidget(m_decaySwitch);
    decayRow->addWidget(m_decay);
    settings->addLayout(decayRow);

    m_smoothPathsLabel = makeCaption(s, QStringLiteral("Smooth Tool Paths"));
    m_smoothPathsSwitch = makeCheckBox(s, "smoothPathsSwitch", QString(), false);
    m_smoothLength = makeSlider(s, "smoothLength", 10, 99, 10, 50);
    settings->addWidget(m_smoothPathsLabel);
    auto* smoothRow = new QHBoxLayout;
    smoothRow->addWidget(m_smoothPathsSwitch);
    smoothRow->addWidget(m_smoothLength);
    settings->addLayout(smoothRow);
    settings->addStretch();
    box->addWidget(m_settingsFrame);
    return page;
}

void CentralPanel::setupStyleSheet()
{
    QString sheet = styleSheet();
    sheet += QStringLiteral(
        "QSlider:horizontal { min-height: 25px; max-height: 25px; }\n"
        "QSlider::groove:horizontal { border: 1px solid #999999; height: 1px; "
        "background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 #ACADB2, stop:1 #ABB3B5); "
        "margin: 2px 0; }\n"
        "QSlider::handle:horizontal { background: qlineargradient(x1:0, y1:0, x2:1, y2:1, "
        "stop:0 #BFDCEA, stop:1 #C2E2F1); border: 1px solid #5c5c5c; width: 10px; "
        "margin: -10px 0; border-radius: 3px; }\n");
    sheet += QStringLiteral(
        "QFrame#ControlFrame { border-color: #6B98D0; border-style: ridge; border-width: 2px; }\n");
    sheet += QStringLiteral(
        "QWidget { background: qlineargradient(x1:0, y1:0, x2:1, y2:1, stop:0 #E9F1FE, "
        "stop:1 #D1E8F0); }\n");
    for (const char* selector : {"QTabBar::tab", "QTabWidget::pane", "QCheckBox", "QGroupBox",
                                 "QLabel", "QPushButton", "QRadioButton", "QFrame"})
        sheet += QLatin1String(selector) + QStringLiteral(" { background-color: #D8E4F3; }\n");
    setStyleSheet(sheet);
}

void CentralPanel::connectControls()
{
    using P = CentralPanel;
    connect(m_formGroup, &QButtonGroup::idClicked, this, &P::toolFormChanged);
    connect(m_aspect, &QSlider::valueChanged, this, &P::toolAspectRatioChanged);
    connect(m_angle, &QSlider::valueChanged, this, &P::toolAxisAngleChanged);
    connect(m_size, &QSlider::valueChanged, this, &P::toolSizeChanged);
    toolSizeChanged();
    connect(m_strength, &QSlider::valueChanged, this, &P::toolStrengthChanged);
    toolStrengthChanged();
    connect(m_modeGroup, &QButtonGroup::idClicked, this, &P::toolModeChanged);
    toolModeChanged();
    connect(m_toolTransparency, &QCheckBox::stateChanged, this, &P::toolKeepTransparencyChanged);
    toolKeepTransparencyChanged();
    connect(m_smoothPathsSwitch, &QCheckBox::stateChanged, this, &P::smoothToolPathsChanged);
    smoothToolPathsChanged();
    connect(m_decaySwitch, &QCheckBox::stateChanged, this, &P::toolUseDecayLengthChanged);
    toolUseDecayLengthChanged();
    connect(m_smoothLength, &QSlider::valueChanged, this, &P::toolSmoothLengthChanged);
    toolSmoothLengthChanged();
    connect(m_hardness, &QSlider::valueChanged, this, &P::toolHardnessChanged);
    toolHardnessChanged();
    connect(m_decay, &QSlider::valueChanged, this, &P::decayLengthChanged);
    decayLengthChanged();

    connect(m_invertZ, &QCheckBox::stateChanged, this, &P::invertZChanged);
    connect(m_flipY, &QCheckBox::stateChanged, this, &P::flipYChanged);
    connect(m_importTransparency, &QCheckBox::stateChanged, this,
            &P::importKeepTransparencyChanged);
    connect(m_preview, &QCheckBox::stateChanged, this, &P::previewChanged);
    connect(m_smoothing, &QSlider::valueChanged, this, &P::smoothStepsChanged);
    connect(m_raiseLower, &QSlider::valueChanged, this, &P::raiseLowerStepsChanged);
    connect(m_trim, &QSlider::valueChanged, this, &P::trimStepsChanged);
    connect(m_tiltHorizontal, &QSlider::valueChanged, this, &P::tiltChanged);
    connect(m_tiltVertical, &QSlider::valueChanged, this, &P::tiltChanged);
    connect(m_accept, &QPushButton::clicked, this, &P::acceptPressed);

    for (QTimer* timer : {&m_smoothTimer, &m_raiseLowerTimer, &m_trimTimer, &m_tiltTimer}) {
        timer->setSingleShot(true);
        timer->setInterval(importDelayMs);
    }
    connect(&m_smoothTimer, &QTimer::timeout, this, &P::smoothStepsTimeout);
    connect(&m_raiseLowerTimer, &QTimer::timeout, this, &P::raiseLowerStepsTimeout);
    connect(&m_trimTimer, &QTimer::timeout, this, &P::trimStepsTimeout);
    connect(&m_tiltTimer, &QTimer::timeout, this, &P::tiltTimeout);
    // The sculpt view reports every import setting it applies, after the
    // relief has been regenerated: the 2-D view shows that relief too.
    connect(m_sculptWin, &SculptWin::ReliefDirtyChanged, m_flatWin, qOverload<>(&QWidget::update));

    connect(m_tabs, &QTabWidget::currentChanged, this, &P::currentTabChanged);
    connect(m_gridSize, &QSlider::valueChanged, this, &P::gridSizeChanged);
    connect(m_contrast, &QSlider::valueChanged, this, &P::contrastFactorChanged);
    connect(m_smoothness, &QSlider::valueChanged, this, &P::smoothnessChanged);
    connect(m_basReliefOn, &QPushButton::clicked, this, &P::reliefChanged);
    connect(m_update, &QPushButton::clicked, this, &P::updateRelief);
}

bool CentralPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    bool consumed = false;
    if (auto* slider = qobject_cast<QAbstractSlider*>(watched)) {
        if (key->key() == Qt::Key_Left || key->key() == Qt::Key_Right) {
            const int step = (key->modifiers() & Qt::ShiftModifier) ? slider->pageStep() : 1;
            const int value = slider->value() + (key->key() == Qt::Key_Left ? -step : step);
            slider->setValue(qBound(slider->minimum(), value, slider->maximum()));
            consumed = true;
        }
    }
    if (m_tabs->currentWidget() == m_toolsPage) {
        auto* from = qobject_cast<QWidget*>(watched);
        switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Backtab:
            focusPreviousControl(from);
            return true;
        case Qt::Key_Down:
        case Qt::Key_Tab:
            focusNextControl(from);
            return true;
        default:
            break;
        }
    }
    return consumed || QWidget::eventFilter(watched, event);
}

// A control hidden with the sculpt settings cannot hold the focus: the walk
// would stop there and the next key would reach nothing.
bool CentralPanel::canTakeFocus(QWidget* control) const
{
    return control->isEnabled() && control->isVisibleTo(m_toolsPage);
}

void CentralPanel::focusPreviousControl(QWidget* from)
{
    const int n = m_focusList.size();
    int i = m_focusList.indexOf(from);
    for (int tries = 0; tries < n; ++tries) {
        i = (i < 1) ? n - 1 : i - 1;
        if (canTakeFocus(m_focusList.at(i))) {
            m_focusList.at(i)->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
}

void CentralPanel::focusNextControl(QWidget* from)
{
    const int n = m_focusList.size();
    int i = m_focusList.indexOf(from);
    for (int tries = 0; tries < n; ++tries) {
        i = (i < 0 || i >= n - 1) ? 0 : i + 1;
        if (canTakeFocus(m_focusList.at(i))) {
            m_focusList.at(i)->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
}

void CentralPanel::drawToolPreview()
{
    m_brushPreview->showTool(m_sculptWin->currentTool());
}

double CentralPanel::smoothing() const
{
    return m_smoothing->value() / 10.0;
}

int CentralPanel::raiseLowerSteps() const
{
    return m_raiseLower->value();
}

int CentralPanel::trimSteps() const
{
    return m_trim->value();
}

int CentralPanel::tiltHorizontal() const
{
    return m_tiltHorizontal->value();
}

int CentralPanel::tiltVertical() const
{
    return m_tiltVertical->value();
}

bool CentralPanel::flipY() const
{
    return m_flipY->isChecked();
}

bool CentralPanel::invertZ() const
{
    return m_invertZ->isChecked();
}

bool CentralPanel::importKeepTransparency() const
{
    return m_importTransparency->isChecked();
}

bool CentralPanel::preview() const
{
    return m_preview->isChecked();
}

int CentralPanel::gridSize() const
{
    return SliderMapping::gridSize(m_gridSize->value());
}

int CentralPanel::contrastFactor() const
{
    return SliderMapping::contrastFactor(m_contrast->value());
}

int CentralPanel::smoothness() const
{
    return SliderMapping::smoothness(m_smoothness->value());
}

double CentralPanel::toolSize() const
{
    return SliderMapping::fraction(m_size->value(), m_size->maximum());
}

double CentralPanel::toolStrength() const
{
    return SliderMapping::squaredFraction(m_strength->value(), m_strength->maximum());
}

double CentralPanel::toolHardness() const
{
    return SliderMapping::fraction(m_hardness->value(), m_hardness->maximum());
}

double CentralPanel::toolAspectRatio() const
{
    return double(m_aspect->value()) / m_aspect->minimum();
}

double CentralPanel::toolAxisAngle() const
{
    return m_angle->value();
}

double CentralPanel::decayLength() const
{
    return SliderMapping::fraction(m_decay->value(), m_decay->maximum());
}

bool CentralPanel::toolKeepTransparency() const
{
    return m_toolTransparency->isChecked();
}

Tool::Mode CentralPanel::toolMode() const
{
    return Tool::Mode(m_modeGroup->checkedId());
}

Tool::Form CentralPanel::toolForm() const
{
    return Tool::Form(m_formGroup->checkedId());
}

bool CentralPanel::toolUseDecayLength() const
{
    return m_decaySwitch->isChecked();
}

bool CentralPanel::toolUseSmoothing() const
{
    return m_smoothPathsSwitch->isChecked();
}

int CentralPanel::toolSmoothLength() const
{
    return m_smoothLength->value();
}

void CentralPanel::toolSizeChanged()
{
    m_sculptWin->setToolSize(toolSize());
}

void CentralPanel::toolStrengthChanged()
{
    m_sculptWin->setToolStrength(toolStrength());
}

void CentralPanel::toolKeepTransparencyChanged()
{
    m_sculptWin->setToolKeepTransparency(toolKeepTransparency());
}

void CentralPanel::smoothToolPathsChanged()
{
    const bool on = toolUseSmoothing();
    m_smoothPathsLabel->setEnabled(on);
    m_smoothLength->setEnabled(on);
    m_sculptWin->setToolUseSmoothing(on);
}

void CentralPanel::toolUseDecayLengthChanged()
{
    const bool on = toolUseDecayLength();
    m_decayLabel->setEnabled(on);
    m_decay->setEnabled(on);
    m_sculptWin->setToolUseDecayLength(on);
}

void CentralPanel::toolSmoothLengthChanged()
{
    m_sculptWin->setToolSmoothLength(toolSmoothLength());
}

void CentralPanel::decayLengthChanged()
{
    m_sculptWin->setToolDecayLength(decayLength());
}

void CentralPanel::toolModeChanged()
{
    m_sculptWin->setToolMode(toolMode());
}

void CentralPanel::toolFormChanged()
{
    m_sculptWin->setToolForm(toolForm());
    drawToolPreview();
}

void CentralPanel::toolHardnessChanged()
{
    m_sculptWin->setToolHardness(toolHardness());
}

void CentralPanel::toolAspectRatioChanged()
{
    m_sculptWin->setToolAspectRatio(toolAspectRatio());
    drawToolPreview();
}

void CentralPanel::toolAxisAngleChanged()
{
    m_sculptWin->setToolAxisAngle(toolAxisAngle());
    drawToolPreview();
}

void CentralPanel::toolChanged(Tool::Type t)
{
    const bool modes = t == Tool::Smooth || t == Tool::Smudge;
    m_modeBox->setEnabled(modes);
    for (QRadioButton* b : {m_normal, m_raise, m_lower})
        b->setEnabled(modes);
    const bool weights = t != Tool::Erase;
    for (QWidget* w : {static_cast<QWidget*>(m_strengthLabel), static_cast<QWidget*>(m_strength),
                       static_cast<QWidget*>(m_hardnessLabel), static_cast<QWidget*>(m_hardness),
                       static_cast<QWidget*>(m_decayLabel), static_cast<QWidget*>(m_decaySwitch),
                       static_cast<QWidget*>(m_decay)})
        w->setEnabled(weights);
    m_toolTransparency->setEnabled(t != Tool::Undo && t != Tool::Erase);
}

// The reports below follow the view without writing anything back: a
// rounded slider value must not replace the tool's own.
void CentralPanel::toolSizeUpdated(double v)
{
    {
        const QSignalBlocker block(m_size);
        m_size->setValue(SliderMapping::fromFraction(v, m_size->maximum()));
    }
    drawToolPreview();
}

void CentralPanel::toolStrengthUpdated(double s)
{
    const QSignalBlocker block(m_strength);
    m_strength->setValue(SliderMapping::fromSquaredFraction(s, m_strength->maximum()));
}

void CentralPanel::toolKeepTransparencyUpdated(bool b)
{
    const QSignalBlocker block(m_toolTransparency);
    m_toolTransparency->setChecked(b);
}

void CentralPanel::toolModeUpdated(Tool::Mode m)
{
    if (QAbstractButton* button = m_modeGroup->button(m))
        button->setChecked(true);
}

void CentralPanel::toolHardnessUpdated(double h)
{
    const QSignalBlocker block(m_hardness);
    m_hardness->setValue(SliderMapping::fromFraction(h, m_hardness->maximum()));
}

void CentralPanel::toolUseSmoothingUpdated(bool b)
{
    if (b == m_smoothPathsSwitch->isChecked())
        return;
    {
        const QSignalBlocker block(m_smoothPathsSwitch);
        m_smoothPathsSwitch->setChecked(b);
    }
    m_smoothPathsLabel->setEnabled(b);
    m_smoothLength->setEnabled(b);
}

void CentralPanel::toolUseDecayLengthUpdated(bool b)
{
    if (b == m_decaySwitch->isChecked())
        return;
    {
        const QSignalBlocker block(m_decaySwitch);
        m_decaySwitch->setChecked(b);
    }
    m_decayLabel->setEnabled(b);
    m_decay->setEnabled(b);
}

void CentralPanel::toolSmoothLengthUpdated(int n)
{
    const QSignalBlocker block(m_smoothLength);
    m_smoothLength->setValue(n);
}

void CentralPanel::decayLengthUpdated(double d)
{
    const QSignalBlocker block(m_decay);
    m_decay->setValue(SliderMapping::fromFraction(d, m_decay->maximum()));
}

void CentralPanel::invertZChanged()
{
    m_sculptWin->setInvertZ(invertZ());
}

void CentralPanel::flipYChanged()
{
    m_sculptWin->setFlipY(flipY());
}

void CentralPanel::importKeepTransparencyChanged()
{
    m_sculptWin->setImportKeepTransparency(importKeepTransparency());
}

void CentralPanel::previewChanged()
{
    const bool on = preview();
    for (QWidget* w : {static_cast<QWidget*>(m_smoothing), static_cast<QWidget*>(m_raiseLower),
                       static_cast<QWidget*>(m_trim), static_cast<QWidget*>(m_basReliefBox)})
        w->setEnabled(on);
    m_sculptWin->setPreview(on);
}

void CentralPanel::smoothStepsChanged()
{
    restartTimer(m_smoothTimer);
}

void CentralPanel::raiseLowerStepsChanged()
{
    restartTimer(m_raiseLowerTimer);
}

void CentralPanel::trimStepsChanged()
{
    restartTimer(m_trimTimer);
}

void CentralPanel::tiltChanged()
{
    restartTimer(m_tiltTimer);
}

void CentralPanel::gridSizeChanged()
{
    m_sculptWin->setGridSize(gridSize());
}

void CentralPanel::contrastFactorChanged()
{
    m_sculptWin->setContrastFactor(contrastFactor());
}

void CentralPanel::smoothnessChanged()
{
    m_sculptWin->setSmoothness(smoothness());
}

void CentralPanel::reliefChanged()
{
    const bool on = m_basReliefOn->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(m_gridSize), static_cast<QWidget*>(m_contrast),
                       static_cast<QWidget*>(m_smoothness), static_cast<QWidget*>(m_update)})
        w->setEnabled(on);
    m_sculptWin->setBasReliefEnabled(on);
}

void CentralPanel::updateRelief()
{
    // The bas-relief is made of what the sliders show, also of one moved
    // less than a timer's delay ago.
    flushImportTimers();
    m_sculptWin->updateRelief(true);
}

void CentralPanel::reliefDirtyChanged(bool dirty)
{
    const bool stale = dirty && m_basReliefOn->isChecked();
    m_update->setStyleSheet(QLatin1String(stale ? updateDirtyStyle : updateCleanStyle));
    update();
}

void CentralPanel::acceptPressed()
{
    // What the sliders show must reach the relief while it still has its
    // source; the receiver of acceptClicked lets the source go.
    flushImportTimers();
    showToolsTab();
    m_preview->setChecked(true);
    emit acceptClicked();
}

void CentralPanel::smoothStepsTimeout()
{
    m_sculptWin->setSmoothSteps(smoothing());
}

void CentralPanel::raiseLowerStepsTimeout()
{
    m_sculptWin->setRaiseLowerSteps(raiseLowerSteps());
}

void CentralPanel::trimStepsTimeout()
{
    m_sculptWin->setTrimSteps(trimSteps());
}

void CentralPanel::tiltTimeout()
{
    m_sculptWin->setTilt(tiltHorizontal(), tiltVertical());
}

void CentralPanel::undoStroke()
{
    m_undo->undo();
    m_sculptWin->update();
    m_flatWin->update();
}

void CentralPanel::redoStroke()
{
    m_undo->redo();
    m_sculptWin->update();
    m_flatWin->update();
}

void CentralPanel::currentTabChanged(int index)
{
    emit tabActivated(index);
}

void CentralPanel::flushImportTimers()
{
    applyPending(m_smoothTimer, this, &CentralPanel::smoothStepsTimeout);
    applyPending(m_raiseLowerTimer, this, &CentralPanel::raiseLowerStepsTimeout);
    applyPending(m_trimTimer, this, &CentralPanel::trimStepsTimeout);
    applyPending(m_tiltTimer, this, &CentralPanel::tiltTimeout);
}

void CentralPanel::showOnlyPage(QWidget* page, bool controlsEnabled)
{
    m_controlFrame->setEnabled(controlsEnabled);
    m_tabs->clear();
    m_tabs->addTab(page, page == m_importPage ? QStringLiteral("Import") : QStringLiteral("Tools"));
    m_pageScroll->fitPage();
}

void CentralPanel::showOnlyView(QWidget* view)
{
    for (QWidget* w : {static_cast<QWidget*>(m_sculptWin), static_cast<QWidget*>(m_flatWin),
                       static_cast<QWidget*>(m_facetWin)})
        if (w != view)
            w->hide();
    view->show();
}

void CentralPanel::showMeshImportTab()
{
    showOnlyPage(m_importPage, false);
    showOnlyView(m_facetWin);
}

void CentralPanel::showImportTab()
{
    showOnlyPage(m_importPage, true);
    m_preview->setChecked(true);
    m_smoothing->setValue(0);
    m_raiseLower->setValue(0);
    m_trim->setValue(0);
    m_basReliefOn->setChecked(false);
    reliefChanged();
    gridSizeChanged();
    contrastFactorChanged();
    smoothnessChanged();
    m_sculptWin->setShowToolOutline(false);
    showOnlyView(m_sculptWin);
}

void CentralPanel::resumeImportTab()
{
    showOnlyPage(m_importPage, true);
    m_sculptWin->setShowToolOutline(false);
    showOnlyView(m_sculptWin);
}

void CentralPanel::showToolsTab()
{
    // The import is over: nothing may reach the relief from a pending timer
    // after this.
    flushImportTimers();
    showOnlyPage(m_toolsPage, true);
    m_sculptWin->setShowToolOutline(true);
    showOnlyView(m_sculptWin);
}

void CentralPanel::hideSculptSettings()
{
    m_settingsSpacer->changeSize(1, 1, QSizePolicy::Minimum, QSizePolicy::Expanding);
    m_settingsFrame->hide();
    m_toolsPage->layout()->invalidate();
}

void CentralPanel::showSculptSettings()
{
    m_settingsSpacer->changeSize(1, 1, QSizePolicy::Minimum, QSizePolicy::Minimum);
    m_settingsFrame->show();
    m_toolsPage->layout()->invalidate();
    m_pageScroll->fitPage();
}

void CentralPanel::setBrushSettingsEnabled(bool enable)
{
    m_brushFrame->setEnabled(enable);
}
