#include "app/mainwindow.h"

#include "app/materialcontrols.h"
#include "app/meshorientcontrols.h"
#include "app/ribbontabs.h"
#include "base/veksettings.h"
#include "relief/sculptundo.h"
#include "ui/centralpanel.h"
#include "ui/ribbon.h"
#include "ui/vekvalidator.h"
#include "views/sculptwin.h"

#include <QAction>
#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolBar>

#include <limits>

namespace {

// Content of one captioned ribbon group.
template <class Layout>
QWidget* groupWidget(Layout** layout)
{
    auto* content = new QWidget;
    *layout = new Layout(content);
    (*layout)->setContentsMargins(10, 5, 10, 0);
    (*layout)->setSpacing(5);
    return content;
}

QPushButton* iconButton(const QString& icon, const QString& toolTip, int size)
{
    QPushButton* button = MainWindow::makeToolButton(QIcon(icon), toolTip, true, QSize(size, size));
    button->setMaximumSize(size, size);
    return button;
}

} // namespace

QPushButton* MainWindow::makeToolButton(const QIcon& icon, const QString& toolTip, bool checkable,
                                        const QSize& iconSize)
{
    auto* button = new QPushButton;
    button->setContentsMargins(0, 0, 0, 0);
    button->setIcon(icon);
    button->setToolTip(toolTip);
    button->setFlat(true);
    button->setCheckable(checkable);
    button->setIconSize(iconSize.width() >= 0 && iconSize.height() >= 0 ? iconSize : QSize(22, 22));
    return button;
}

void MainWindow::setupQuickAccessBar()
{
    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("QuickAccessBar"));

    fileAction = bar->addAction(QIcon(QStringLiteral(":/morvane2/logo")), tr("&File"));
    connect(fileAction, &QAction::triggered, this, &MainWindow::toggleBackStage);

    undoAction = bar->addAction(QIcon(QStringLiteral(":/morvane2/undo_32")), tr("&Undo"));
    redoAction = bar->addAction(QIcon(QStringLiteral(":/morvane2/redo_32")), tr("&Redo"));
    centralPanel->undoStack()->setActions(undoAction, redoAction);
    connect(undoAction, &QAction::triggered, centralPanel, &CentralPanel::undoStroke);
    connect(redoAction, &QAction::triggered, centralPanel, &CentralPanel::redoStroke);

    QAction* zoom = bar->addAction(QIcon(QStringLiteral(":/morvane2/ZoomToBoard_22")), QStringLiteral("Zoom To All"));
    connect(zoom, &QAction::triggered, this, &MainWindow::zoomToAll);
    QAction* last = bar->addAction(QIcon(QStringLiteral(":/morvane2/openRecent")), QStringLiteral("Open last file"));
    connect(last, &QAction::triggered, this, &MainWindow::openLast);

    addToolBar(Qt::TopToolBarArea, bar);
}

void MainWindow::setupRibbon()
{
    ribbon->addTab(tabViewSettings);
    setupLightPosGroup(tabViewSettings);
    materialControls = new MaterialControls(sculptWin(), materialLibrary, settings, this, this);
    materialControls->addGroup(ribbon, tabViewSettings);
    setupColorizationGroup(tabViewSettings);

    ribbon->addTab(tabScaleZ);
    setupZScaleGroup(tabScaleZ);

    ribbon->addTab(tabSculptingTools);
    setupToolsGroup(tabSculptingTools);

    ribbon->addTab(tab2dEdit);
    setup2dEditGroups(tab2dEdit);

    ribbon->addTab(tabExport);
    setupExportGroup(tabExport);

    ribbon->addTab(tabOrientScale);
    meshControls = new MeshOrientControls(facetWin(), this);
    meshControls->addGroups(ribbon, tabOrientScale);

    for (int i = 0; i < ribbon->count(); ++i) {
        if (auto* box = qobject_cast<QBoxLayout*>(ribbon->widget(i)->layout()))
            box->addStretch();
    }

    ribbon->showTab(tabOrientScale, false);
    ribbon->showTab(tabExport, false);
}

void MainWindow::setupLightPosGroup(const QString& page)
{
    QGridLayout* grid = nullptr;
    QWidget* content = groupWidget(&grid);
    lightPosGroup = new QButtonGroup(this);
    lightPosGroup->setExclusive(true);
    struct Place
    {
        int id;
        const char* toolTip;
        const char* icon;
        int row;
        int column;
    };
    static const Place places[] = {
        {0, "Top Left", ":/morvane2/lightPosTopLeft", 0, 0},
        {1, "Top", ":/morvane2/lightPosTop", 0, 1},
        {2, "Top Right", ":/morvane2/lightPosTopRight", 0, 2},
        {4, "Left", ":/morvane2/lightPosLeft", 1, 0},
        {3, "Right", ":/morvane2/lightPosRight", 1, 2},
        {5, "Bottom Left", ":/morvane2/lightPosBottomLeft", 2, 0},
        {6, "Bottom", ":/morvane2/lightPosBottom", 2, 1},
        {7, "Bottom Right", ":/morvane2/lightPosBottomRight", 2, 2},
    };
    for (const Place& p : places) {
        QPushButton* button = iconButton(QLatin1String(p.icon), QLatin1String(p.toolTip), 24);
        grid->addWidget(button, p.row, p.column);
        lightPosGroup->addButton(button, p.id);
    }
    connect(lightPosGroup, &QButtonGroup::idClicked, this, &MainWindow::setLightPos);
    ribbon->addGroup(page, QStringLiteral("Light Pos"), content);

    // Only a stored preset the group has a button for is restored; anything
    // else falls back to the view's own preset.
    bool ok = false;
    int stored = settings->value(QStringLiteral("lightPosition"), sculptWin()->lightPosition()).toInt(&ok);
    if (!ok || !lightPosGroup->button(stored))
        stored = sculptWin()->lightPosition();
    if (QAbstractButton* button = lightPosGroup->button(stored))
        button->click();
}

void MainWindow::setupColorizationGroup(const QString& page)
{
    QGridLayout* grid = nullptr;
    QWidget* content = groupWidget(&grid);
    colorOffsetSpin = new QDoubleSpinBox;
    colorOffsetSpin->setRange(0, 255);
    colorOffsetSpin->setValue(0);
    quantizationSpin = new QDoubleSpinBox;
    quantizationSpin->setRange(2, 256);
    quantizationSpin->setValue(64);
    for (QDoubleSpinBox* spin : {colorOffsetSpin, quantizationSpin}) {
        spin->setMinimumWidth(60);
        spin->setStyleSheet(QStringLiteral("* { color: black }"));
    }
    grid->addWidget(new QLabel(QStringLiteral("Color Offset")), 0, 0);
    grid->addWidget(colorOffsetSpin, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Quantization Levels")), 1, 0);
    grid->addWidget(quantizationSpin, 1, 1);
    connect(colorOffsetSpin, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &MainWindow::colorOffsetChanged);
    connect(quantizationSpin, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &MainWindow::quantizationChanged);
    ribbon->addGroup(page, QStringLiteral("Colorization"), content);
}

void MainWindow::setupZScaleGroup(const QString& page)
{
    QVBoxLayout* box = nullptr;
    QWidget* content = groupWidget(&box);
    zScaleSpin = new QDoubleSpinBox;
    zScaleSpin->setDecimals(3);
    zScaleSpin->setRange(0.001, 9.999);
    zScaleSpin->setSingleStep(0.1);
    zScaleSpin->setValue(1.0);
    zScaleSpin->setStyleSheet(QStringLiteral("* { selection-color: black; selection-background-color: white }"));
    box->addWidget(zScaleSpin);
    connect(zScaleSpin, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this, &MainWindow::zScaleChanged);
    ribbon->addGroup(page, QStringLiteral("Z Scale"), content);
}

void MainWindow::setupToolsGroup(const QString& page)
{
    sculptToolGroup = new QButtonGroup(this);
    sculptToolGroup->setExclusive(true);
    clipGroup = new QButtonGroup(this);
    clipGroup->setExclusive(false);
    struct Entry
    {
        const char* caption;
        const char* toolTip;
        const char* icon;
        int id;
        const char* check;
    };
    static const Entry entries[] = {
        {"Smooth", "Smooth Tool", ":/morvane2/smooth_tool", Tool::Smooth, nullptr},
        {"Smudge", "Smudge Tool", ":/morvane2/smudge_tool", Tool::Smudge, nullptr},
        {"Deposit", "Deposit Tool", ":/morvane2/deposit_tool", Tool::Deposit, "Ceiling"},
        {"Remove", "Remove Tool", ":/morvane2/remove_tool", Tool::Remove, "Floor"},
        {"Undo", "Undo Tool", ":/morvane2/undo_tool", Tool::Undo, nullptr},
        {"Erase", "Erase Tool", ":/morvane2/erase_tool", Tool::Erase, nullptr},
    };
    for (const Entry& e : entries) {
        QPushButton* button = iconButton(QLatin1String(e.icon), QLatin1String(e.toolTip), 48);
        sculptToolGroup->addButton(button, e.id);
        if (e.id == Tool::Smooth)
            button->setChecked(true);
        QWidget* content = nullptr;
        if (e.check) {
            QGridLayout* grid = nullptr;
            content = groupWidget(&grid);
            grid->addWidget(button, 0, 1);
            auto* check = new QCheckBox(QLatin1String(e.check));
            grid->addWidget(check, 1, 0, 1, 3);
            clipGroup->addButton(check, e.id == Tool::Deposit ? 0 : 1);
        } else {
            QVBoxLayout* box = nullptr;
            content = groupWidget(&box);
            box->addWidget(button);
        }
        ribbon->addGroup(page, QLatin1String(e.caption), content);
    }
    connect(sculptToolGroup, &QButtonGroup::idClicked, this,
            &MainWindow::toolButtonClicked);
    connect(clipGroup, &QButtonGroup::idClicked, this, &MainWindow::toolCheckBoxClicked);
}

void MainWindow::setup2dEditGroups(const QString& page)
{
    flatToolGroup = new QButtonGroup(this);
    flatToolGroup->setExclusive(true);
    selectionModifierGroup = new QButtonGroup(this);
    selectionModifierGroup->setExclusive(true);
    const QString spinStyle = QStringLiteral("* { selection-color: black; selection-background-color: white }");

    {
        QGridLayout* grid = nullptr;
        QWidget* content = groupWidget(&grid);
        QPushButton* crop = iconButton(QStringLiteral(":/morvane2/crop_tool"), QStringLiteral("Crop Tool"), 48);
        flatToolGroup->addButton(crop, Tool::Crop);
        grid->addWidget(crop, 0, 1);
        auto* apply = new QPushButton(QStringLiteral("Apply"));
        apply->setMaximumHeight(24);
        grid->addWidget(apply, 1, 0, 1, 3);
        connect(apply, &QPushButton::clicked, this, &MainWindow::applyCrop);
        ribbon->addGroup(page, QStringLiteral("Crop"), content);
    }
    {
        QVBoxLayout* box = nullptr;
        QWidget* content = groupWidget(&box);
        auto* row = new QHBoxLayout;
        row->setSpacing(20);
        box->addLayout(row);
        const struct
        {
            const char* toolTip;
            const char* icon;
            int id;
        } shapes[] = {{"Elliptical", ":/morvane2/elliptical_selection_tool", Tool::Elliptical},
                      {"Rectangle", ":/morvane2/rectangle_selection_tool", Tool::Rectangle},
                      {"Polygon", ":/morvane2/polygon_selection_tool", Tool::Polygon}};
        for (const auto& s : shapes) {
            QPushButton* button = iconButton(QLatin1String(s.icon), QLatin1String(s.toolTip), 48);
            flatToolGroup->addButton(button, s.id);
            row->addWidget(button);
        }
        auto* modifiers = new QVBoxLayout;
        modifiers->setSpacing(5);
        const struct
        {
            const char* toolTip;
            const char* icon;
        } mods[] = {{"Normal", ":/morvane2/exit"},
                    {"Additive", ":/morvane2/additive_selection"},
                    {"Subtractive", ":/morvane2/subtractive_selection"}};
        for (int id = 0; id < 3; ++id) {
            QPushButton* button = iconButton(QLatin1String(mods[id].icon), QLatin1String(mods[id].toolTip), 24);
            selectionModifierGroup->addButton(button, id);
            modifiers->addWidget(button);
            if (id == 0)
                button->setChecked(true);
        }
        row->addLayout(modifiers);
        QPushButton* magic =
            iconButton(QStringLiteral(":/morvane2/magic_selection_tool"), QStringLiteral("Magic Tool"), 48);
        flatToolGroup->addButton(magic, Tool::Magic);
        row->addWidget(magic);

        auto* magicSettings = new QVBoxLayout;
        magicSettings->setSpacing(10);
        auto* toleranceRow = new QHBoxLayout;
        toleranceRow->setSpacing(0);
        toleranceRow->addWidget(new QLabel(QStringLiteral("Tolerance")));
        toleranceSpin = new QDoubleSpinBox;
        toleranceSpin->setDecimals(2);
        toleranceSpin->setRange(0.01, 0.99);
        toleranceSpin->setSingleStep(0.01);
        toleranceSpin->setValue(0.02);
        toleranceSpin->setMaximumWidth(80);
        toleranceSpin->setStyleSheet(spinStyle);
        connect(toleranceSpin, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
                &MainWindow::toleranceChanged);
        toleranceRow->addWidget(toleranceSpin);
        magicSettings->addLayout(toleranceRow);
        continuousCheck = new QCheckBox(QStringLiteral("Continuous"));
        magicSettings->addWidget(continuousCheck);
        row->addLayout(magicSettings);
        ribbon->addGroup(page, QStringLiteral("Selection"), content);
    }
    {
        QGridLayout* grid = nullptr;
        QWidget* content = groupWidget(&grid);
        QPushButton* sample =
            iconButton(QStringLiteral(":/morvane2/sample_selection"), QStringLiteral("Sample Tool"), 48);
        flatToolGroup->addButton(sample, Tool::Sample);
        grid->addWidget(sample, 0, 1);
        sampleEdit = new QLineEdit(QStringLiteral("0.0"));
        sampleEdit->setObjectName(QStringLiteral("sampleEdit"));
        sampleEdit->setAlignment(Qt::AlignCenter);
        sampleEdit->setFixedSize(100, 16);
        // A height is a float: a larger level would fill cells with infinity.
        // The exponent form is the one the field shows large levels in;
        // negative and empty texts are left to sampleEdited, as before.
        auto* sampleCheck = new VEKDoubleValidator(sampleEdit, true);
        sampleCheck->setNotation(QDoubleValidator::ScientificNotation);
        const double highest = std::numeric_limits<float>::max();
        sampleCheck->setRange(-highest, highest, -1);
        sampleEdit->setValidator(sampleCheck);
        grid->addWidget(sampleEdit, 1, 0, 1, 3);
        ribbon->addGroup(page, QStringLiteral("Sample"), content);
    }
    const struct
    {
        const char* caption;
        const char* toolTip;
        const char* icon;
        int id;
    } singles[] = {{"Brush", "Brush Tool", ":/morvane2/paint_selection_tool", Tool::Brush},
                   {"Fill", "Fill Tool", ":/morvane2/fill_selection", Tool::Fill},
                   {"Erase", "Erase Tool", ":/morvane2/erase_selection_tool", Tool::Erase}};
    for (const auto& s : singles) {
        QVBoxLayout* box = nullptr;
        QWidget* content = groupWidget(&box);
        QPushButton* button = iconButton(QLatin1String(s.icon), QLatin1String(s.toolTip), 48);
        flatToolGroup->addButton(button, s.id);
        box->addWidget(button);
        ribbon->addGroup(page, QLatin1String(s.caption), content);
    }
    connect(flatToolGroup, &QButtonGroup::idClicked, this, &MainWindow::toolButtonClicked);
    connect(selectionModifierGroup, &QButtonGroup::idClicked, this,
            &MainWindow::selectionModifierClicked);
}

void MainWindow::setupExportGroup(const QString& page)
{
    {
        auto* content = new QWidget;
        auto* box = new QVBoxLayout(content);
        box->setContentsMargins(0, 0, 0, 0);
        sizeLabel = new QLabel(QStringLiteral("Model Size"));
        sizeLabel->setObjectName(QStringLiteral("sizeLabel"));
        QFont font = sizeLabel->font();
        font.setPointSize(11);
        sizeLabel->setFont(font);
        sizeLabel->setAlignment(Qt::AlignCenter);
        box->addWidget(sizeLabel);
        ribbon->addGroup(page, QStringLiteral("Model Size"), content);
    }
    {
        auto* content = new QWidget;
        auto* box = new QVBoxLayout(content);
        qualityGroup = new QButtonGroup(this);
        qualityGroup->setExclusive(true);
        const char* names[] = {"High", "Medium", "Low"};
        for (int id = 0; id < 3; ++id) {
            auto* radio = new QRadioButton(QLatin1String(names[id]));
            qualityGroup->addButton(radio, id);
            box->addWidget(radio);
            if (id == 0)
                radio->setChecked(true);
        }
        ribbon->addGroup(page, QStringLiteral("Quality"), content);
    }
    {
        QHBoxLayout* box = nullptr;
        QWidget* content = groupWidget(&box);
        exportStlButton = iconButton(QStringLiteral(":/morvane2/Export STL"), QStringLiteral("Export STL"), 48);
        exportObjButton = iconButton(QStringLiteral(":/morvane2/Export OBJ"), QStringLiteral("Export OBJ"), 48);
        exportPtrButton = iconButton(QStringLiteral(":/morvane2/Export PTR"), QStringLiteral("Export PTR"), 48);
        exportLayoraButton =
            iconButton(QStringLiteral(":/morvane2/Export to Layora"), QStringLiteral("Send to Layora"), 48);
        for (QPushButton* b : {exportStlButton, exportObjButton, exportPtrButton, exportLayoraButton})
            box->addWidget(b);
        ribbon->addGroup(page, QStringLiteral("Export"), content);
    }
}
