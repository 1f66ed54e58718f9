#include "app/meshorientcontrols.h"

#include "app/ribbontabs.h"

#include "mesh/facetshape.h"
#include "mesh/heightgrid.h"
#include "mesh/memorylimit.h"
#include "mesh/rasterizer.h"
#include "relief/relief.h"
#include "relief/reliefsource.h"
#include "ui/ribbon.h"
#include "views/facetwin.h"
#include "views/progressdialogmonitor.h"

#include <QAction>
#include <QButtonGroup>
#include <QDoubleSpinBox>
#include <QFont>
#include <QFrame>
#include <QGridLayout>
#include <QIcon>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>
#include <new>

using VekMath::Matrix3d;

namespace {

const QString rotationTip = QStringLiteral("Rotate the model 90 degrees about the %1 axis");

QPushButton* iconButton(const QString& icon, const QString& toolTip, const QSize& size = QSize(22, 22))
{
    auto* b = new QPushButton;
    // Named after its picture, as several buttons share a tool tip.
    b->setObjectName(icon.mid(icon.lastIndexOf(QLatin1Char('/')) + 1));
    b->setContentsMargins(0, 0, 0, 0);
    b->setIcon(QIcon(icon));
    b->setToolTip(toolTip);
    b->setFlat(true);
    b->setCheckable(false);
    b->setIconSize(size);
    return b;
}

QFrame* sunkenLine()
{
    auto* line = new QFrame;
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QWidget* groupWidget(QLayout* layout)
{
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* w = new QWidget;
    w->setLayout(layout);
    return w;
}

} // namespace

MeshOrientControls::MeshOrientControls(FacetWin* meshView, QObject* parent)
    : QObject(parent)
    , view(meshView)
    , suffix(unitsSuffix(Units::Inch))
{
}

MeshOrientControls::~MeshOrientControls() = default;

double MeshOrientControls::toInches(double length, int units)
{
    // Divided rather than multiplied by the reciprocal: 1016 mm must come out
    // as exactly 40 inches for the size limit to hold at its edge.
    if (units == Units::Centimetre)
        return length / 2.54;
    if (units == Units::Millimetre)
        return length / 25.4;
    return length;
}

double MeshOrientControls::cellsPerUnit(int units)
{
    if (units == Units::Centimetre)
        return 50.39370078740157;
    if (units == Units::Millimetre)
        return 5.039370078740157;
    return 128.0;
}

void MeshOrientControls::addGroups(Ribbon* target, int tab)
{
    addGroups(target, target->tabText(tab));
}

void MeshOrientControls::addGroups(Ribbon* target, const QString& tab)
{
    ribbon = target;
    orientTab = tab;

    auto* orient = new QGridLayout;
    QPushButton* b = iconButton(QStringLiteral(":/morvane2/rotate_left"), rotationTip.arg(QLatin1Char('Y')),
                                QSize(32, 32));
    orient->addWidget(b, 0, 0, 2, 1);
    connect(b, &QPushButton::clicked, this, &MeshOrientControls::rotateLeft);
    b = iconButton(QStringLiteral(":/morvane2/rotate_up"), rotationTip.arg(QLatin1Char('X')), QSize(24, 24));
    orient->addWidget(b, 0, 1);
    connect(b, &QPushButton::clicked, this, &MeshOrientControls::rotateUp);
    b = iconButton(QStringLiteral(":/morvane2/rotate_down"), rotationTip.arg(QLatin1Char('X')), QSize(24, 24));
    orient->addWidget(b, 1, 1);
    connect(b, &QPushButton::clicked, this, &MeshOrientControls::rotateDown);
    b = iconButton(QStringLiteral(":/morvane2/rotate_right"), rotationTip.arg(QLatin1Char('Y')),
                   QSize(32, 32));
    orient->addWidget(b, 0, 2, 2, 1);
    connect(b, &QPushButton::clicked, this, &MeshOrientControls::rotateRight);
    orient->addWidget(sunkenLine(), 0, 3, 2, 1);
    // Seen from above, as the views show the model, spinRight turns it
    // clockwise and spinLeft anticlockwise.
    b = iconButton(QStringLiteral(":/morvane2/rotate_cw"), rotationTip.arg(QLatin1Char('Z')));
    orient->addWidget(b, 0, 4);
    connect(b, &QPushButton::clicked, this, &MeshOrientControls::spinRight);
    b = iconButton(QStringLiteral(":/morvane2/flip"), QStringLiteral("Flip to other side of the model"));
    orient->addWidget(b, 0, 5);
    connect(b, &QPushButton::clicked, this, &MeshOrientControls::flip);
    b = iconButton(QStringLiteral(":/morvane2/rotate_ccw"), rotationTip.arg(QLatin1Char('Z')));
    orient->addWidget(b, 0, 6);
    connect(b, &QPushButton::clicked, this, &MeshOrientControls::spinLeft);
    b = iconButton(QStringLiteral(":/morvane2/reset_axes"), QStringLiteral("Reset the rotation of the axes"),
                   QSize(72, 22));
    orient->addWidget(b, 1, 4, 1, 3);
    connect(b, &QPushButton::clicked, this, &MeshOrientControls::resetAxes);
    ribbon->addGroup(tab, QStringLiteral("Orient Model"), groupWidget(orient));

    auto* importGrid = new QGridLayout;
    auto* importWidget = groupWidget(importGrid);
    importGroup = new QButtonGroup(importWidget);
    for (int id = 0; id < 3; ++id) {
        auto* radio = new QRadioButton(unitsSuffix(id));
        importGroup->addButton(radio, id);
        importGrid->addWidget(radio, id, 0);
    }
    importGroup->button(Units::Inch)->setChecked(true);
    importGrid->addWidget(sunkenLine(), 0, 1, 3, 1);
    b = iconButton(QStringLiteral(":/morvane2/flip_normals"), QStringLiteral("Invert Normals"), QSize(22, 56));
    importGrid->addWidget(b, 0, 2, 3, 1);
    connect(b, &QPushButton::clicked, this, &MeshOrientControls::flipZ);
    connect(importGroup, &QButtonGroup::idClicked, this,
            &MeshOrientControls::unitsChanged);
    ribbon->addGroup(tab, QStringLiteral("Imported"), importWidget);

    auto* scaleGrid = new QGridLayout;
    auto* scaleWidget = groupWidget(scaleGrid);
    const QString scaleTexts[3] = {QStringLiteral("Scale X"), QStringLiteral("Scale Y"), QStringLiteral("Scale Z")};
    void (MeshOrientControls::*const scaleSlots[3])() = {
        &MeshOrientControls::xScaleChanged, &MeshOrientControls::yScaleChanged,
        &MeshOrientControls::zScaleChanged};
    void (MeshOrientControls::*const sizeSlots[3])() = {
        &MeshOrientControls::xSizeChanged, &MeshOrientControls::ySizeChanged, &MeshOrientControls::zSizeChanged};
    for (int axis = 0; axis < 3; ++axis) {
        auto* button = new QPushButton(scaleTexts[axis]);
        QFont font = button->font();
        font.setPointSize(11);
        button->setFont(font);
        auto* menu = new QMenu(button);
        for (const QString& choice : zScaleChoices()) {
            QAction* act = menu->addAction(choice);
            connect(act, &QAction::triggered, this, scaleSlots[axis]);
        }
        button->setMenu(menu);
        connect(button, &QPushButton::clicked, this, scaleSlots[axis]);
        scaleGrid->addWidget(button, axis, 0);
        scaleButtons[axis] = button;

        auto* field = new QDoubleSpinBox;
        field->setMaximum(999999.99);
        field->setMinimumWidth(120);
        field->setStyleSheet(QStringLiteral("* { color: black }"));
        connect(field, &QDoubleSpinBox::editingFinished, this, sizeSlots[axis]);
        scaleGrid->addWidget(field, axis, 2);
        sizeFields[axis] = field;
    }
    aspectLock = iconButton(QStringLiteral(":/morvane2/aspect_locked"),
                            QStringLiteral("You can either scale the axis independently or lock them to "
                                           "maintain the proportions of the model"),
                            QSize(22, 56));
    scaleGrid->addWidget(aspectLock, 0, 1, 3, 1);
    connect(aspectLock, &QPushButton::clicked, this, &MeshOrientControls::lockAspectChanged);
    ribbon->addGroup(tab, QStringLiteral("Scale & Size"), scaleWidget);

    auto* workingGrid = new QGridLayout;
    auto* workingWidget = groupWidget(workingGrid);
    workingGroup = new QButtonGroup(workingWidget);
    for (int id = 0; id < 3; ++id) {
        auto* radio = new QRadioButton(unitsSuffix(id));
        workingGroup->addButton(radio, id);
        workingGrid->addWidget(radio, id, 0);
    }
    setWorkingUnits(Units::Inch);
    workingGroup->button(working)->setChecked(true);
    connect(workingGroup, &QButtonGroup::idClicked, this,
            &MeshOrientControls::unitsChanged);
    ribbon->addGroup(tab, QStringLiteral("Working"), workingWidget);

    auto* acceptBox = new QVBoxLayout;
    auto* acceptWidget = groupWidget(acceptBox);
    accept = new QPushButton;
    accept->setObjectName(QStringLiteral("accept"));
    accept->setFlat(true);
    accept->setCheckable(true);
    accept->setFixedSize(64, 64);
    connect(accept, &QPushButton::clicked, this, &MeshOrientControls::acceptFacetShape);
    acceptBox->addWidget(accept);
    ribbon->addGroup(tab, QStringLiteral("Accept"), acceptWidget);

    updateMeshSizeFields();
}

void MeshOrientControls::setMesh(FacetShape* mesh)
{
    shape = mesh;
    // Factors describe what was done to this mesh; a new one starts afresh.
    scale[0] = scale[1] = scale[2] = 1.0;
    if (view && view->facetShape() != mesh)
        view->setFacetShape(mesh, true);
    updateMeshSizeFields();
}

double MeshOrientControls::extent(int axis) const
{
    if (!shape)
        return 0.0;
    const VekMath::Vector3d& lo = shape->boundsMin();
    const VekMath::Vector3d& hi = shape->boundsMax();
    switch (axis) {
    case 0:
        return hi.x - lo.x;
    case 1:
        return hi.y - lo.y;
    default:
        return hi.z - lo.z;
    }
}

bool MeshOrientControls::acceptEnabled() const
{
    return accept && !accept->signalsBlocked();
}

void MeshOrientControls::transformMesh(const Matrix3d& matrix)
{
    if (!shape)
        return;
    shape->transform(matrix);
    updateMeshSizeFields();
    if (view)
        view->update();
}

void MeshOrientControls::standardTurn(int code)
{
    Matrix3d m;
    m.setStandardRotation(code);
    transformMesh(m);
}

void MeshOrientControls::rotateUp() { standardTurn(1); }
void MeshOrientControls::rotateLeft() { standardTurn(2); }
void MeshOrientControls::spinRight() { standardTurn(3); }
void MeshOrientControls::rotateDown() { standardTurn(4); }
void MeshOrientControls::rotateRight() { standardTurn(5); }
void MeshOrientControls::spinLeft() { standardTurn(6); }
void MeshOrientControls::flip() { standardTurn(8); }
void MeshOrientControls::flipZ() { standardTurn(13); }

void MeshOrientControls::resetAxes()
{
    if (!shape)
        return;
    // The accumulated transform holds the scalings too, so the factors go
    // back to 1.0 with it and the fields and Accept describe the result.
    shape->transform(shape->appliedTransform().inverted());
    scale[0] = scale[1] = scale[2] = 1.0;
    updateMeshSizeFields();
    if (view)
        view->update();
}

void MeshOrientControls::updateMeshSizeFields()
{
    if (!shape)
        return;
    for (int axis = 0; axis < 3; ++axis) {
        if (!sizeFields[axis])
            continue;
        QSignalBlocker block(sizeFields[axis]);
        sizeFields[axis]->setValue(extent(axis) * factor);
        shownSize[axis] = sizeFields[axis]->value();
    }
    if (!accept)
        return;
    const double area = toInches(extent(0), imported) * toInches(extent(1), imported);
    if (area < MaxFootprint) {
        accept->setText(QStringLiteral("Accept"));
        accept->setStyleSheet(QStringLiteral("* { background-color: green; selection-background-color: green; "
                                             "selection-color: black; border: none }"));
        accept->blockSignals(false);
    } else {
        accept->setText(QStringLiteral("Too \n Big"));
        accept->setStyleSheet(QStringLiteral("* { background-color: red; selection-background-color: red; "
                                             "selection-color: black; border: none }"));
        accept->blockSignals(true);
    }
}

void MeshOrientControls::unitsChanged()
{
    if (importGroup) {
        const int id = importGroup->checkedId();
        if (id >= 0 && id != imported) {
            imported = id;
            factor = unitsFactor(imported, working);
        }
    }
    if (workingGroup) {
        const int id = workingGroup->checkedId();
        if (id >= 0 && id != working)
            setWorkingUnits(id);
    }
    updateMeshSizeFields();
}

void MeshOrientControls::setWorkingUnits(int units)
{
    working = units;
    factor = unitsFactor(imported, working);
    suffix = unitsSuffix(working);
}

void MeshOrientControls::setImportUnits(int units)
{
    imported = units;
    factor = unitsFactor(imported, working);
}

void MeshOrientControls::scaleMenuChosen(int axis)
{
    auto* act = qobject_cast<QAction*>(sender());
    if (!act)
        return;
    const double f = zScaleFactor(act->text());
    setMeshScale(axis, f == 1.0 ? 1.0 : f * scale[axis]);
}

void MeshOrientControls::xScaleChanged() { scaleMenuChosen(0); }
void MeshOrientControls::yScaleChanged() { scaleMenuChosen(1); }
void MeshOrientControls::zScaleChanged() { scaleMenuChosen(2); }

void MeshOrientControls::setMeshScale(int axis, double newScale)
{
    if (!(newScale > 0.0) || axis < 0 || axis > 2)
        return;
    const double old[3] = {scale[0], scale[1], scale[2]};
    scale[axis] = newScale;
    if (newScale == old[axis])
        return;
    if (aspect == 0) {
        scale[0] = scale[1] = scale[2] = newScale;
    } else if (aspect == 1 && axis < 2) {
        scale[0] = scale[1] = newScale;
    }
    transformMesh(Matrix3d(scale[0] / old[0], scale[1] / old[1], scale[2] / old[2]));
    emit zoomToAllRequested();
}

void MeshOrientControls::setMeshSize(int axis, double size)
{
    if (!shape || axis < 0 || axis > 2)
        return;
    if (sizeFields[axis])
        sizeFields[axis]->setStyleSheet(size > 0.0 ? QStringLiteral("* { color: black }")
                                                   : QStringLiteral("* { color: red }"));
    double newScale = 1.0;
    if (size > 0.0) {
        const double current = factor * extent(axis);
        // A flat axis cannot be stretched to a size: refuse, show it as it is.
        if (!(current > 0.0)) {
            updateMeshSizeFields();
            return;
        }
        newScale = scale[axis] * size / current;
    }
    setMeshScale(axis, newScale);
}

void MeshOrientControls::sizeEdited(int axis)
{
    QDoubleSpinBox* field = sizeFields[axis];
    if (!field || !shape)
        return;
    if (field->value() == shownSize[axis])
        return;
    bool ok = false;
    const double value = field->locale().toDouble(field->cleanText(), &ok);
    if (ok)
        setMeshSize(axis, value);
}

void MeshOrientControls::xSizeChanged() { sizeEdited(0); }
void MeshOrientControls::ySizeChanged() { sizeEdited(1); }
void MeshOrientControls::zSizeChanged() { sizeEdited(2); }

void MeshOrientControls::lockAspectChanged()
{
    setAspectMode(aspect == 0 ? 1 : aspect == 1 ? 2 : 0);
}

void MeshOrientControls::setAspectMode(int mode)
{
    aspect = mode;
    if (aspectLock) {
        QString icon = QStringLiteral(":/morvane2/aspect_locked");
        if (mode == 1)
            icon = QStringLiteral(":/morvane2/aspect_xy_locked");
        else if (mode == 2)
            icon = QStringLiteral(":/morvane2/aspect_free");
        aspectLock->setIcon(QIcon(icon));
    }
    updateMeshSizeFields();
}

void MeshOrientControls::acceptFacetShape()
{
    bool reliefMade = false;
    if (shape) {
        // The mesh stays held until its relief is made and taken: when memory
        // runs out on the way it can be scaled down and accepted again.
        bool cancelled = false;
        try {
            std::unique_ptr<Relief> relief(makeRelief(&cancelled));
            if (relief) {
                // The receiver generates the relief before it changes
                // anything, and drops the relief when that runs out of
                // memory. A bas-relief is made afterwards, from the import
                // page that the fresh relief opens on.
                emit reliefAccepted(relief.release());
                reliefMade = true;
            }
        } catch (const std::bad_alloc&) {
            // A receiver that failed after taking the mesh leaves none to keep.
            if (!shape)
                throw;
            QMessageBox::warning(view ? view->window() : nullptr, QStringLiteral("Accept"),
                                 QStringLiteral("There was not enough memory to make a relief of the mesh. "
                                                "The mesh is kept: scale it down and accept it again."));
            return;
        }
        if (cancelled)
            return;
        if (view)
            view->setFacetShape(nullptr, true);
        FacetShape* done = shape;
        shape = nullptr;
        emit meshReleased(done);

        if (!reliefMade)
            QMessageBox::warning(view ? view->window() : nullptr, QStringLiteral("Accept"),
                                 QStringLiteral("The mesh gave no heights to make a relief of. "
                                                "The current model is kept."));
    }
    switchTabsAfterAccept();
    emit acceptFinished(reliefMade);
}

Relief* MeshOrientControls::makeRelief(bool* cancelled)
{
    HeightGrid grid;
    if (!rasterizeInCells(grid)) {
        *cancelled = true;
        return nullptr;
    }
    const long long cells = (long long)grid.width * grid.height;
    if (std::none_of(grid.heights, grid.heights + cells, [](float z) { return z > 0.0f; }))
        return nullptr;
    std::unique_ptr<ReliefSource> source(new ReliefSource(uint32_t(grid.width), uint32_t(grid.height), grid.heights));
    grid.release();
    emit importSettingsNeeded(source.get());
    source->dirty = true;
    source->tiltDirty = true;
    std::unique_ptr<Relief> relief(new Relief(*source));
    source.reset();
    // The mesh and its view's arrays go once the relief is taken: they count
    // as room for drawing it.
    const long long meshBytes = (long long)shape->facetCount() * (long long)sizeof(Facet);
    if (drawingBytes && MemoryLimit::room() + meshBytes < drawingBytes(*relief))
        throw std::bad_alloc();
    return relief.release();
}

bool MeshOrientControls::rasterizeInCells(HeightGrid& grid)
{
    const double c = cellsPerUnit(imported);
    const Matrix3d toCells(c, c, c);
    // A copy is scaled, so that the mesh stays as it is until the raster is
    // done.
    FacetShape cells;
    try {
        cells = *shape;
        cells.transform(toCells);
    } catch (const std::bad_alloc&) {
        // Without room for a copy the mesh itself is scaled for the raster,
        // which then runs to its end, and scaled back. The copy still shares
        // the mesh's facets: it goes first, or scaling would copy them.
        cells = FacetShape();
        shape->transform(toCells);
        try {
            rasterizeFacetShape(grid, *shape);
        } catch (const std::bad_alloc&) {
            shape->transform(toCells.inverted());
            throw;
        }
        shape->transform(toCells.inverted());
        return true;
    }
    ProgressDialogMonitor progress(QStringLiteral("Rasterizing Mesh"));
    return rasterizeFacetShape(grid, cells, &progress);
}

void MeshOrientControls::switchTabsAfterAccept()
{
    if (!ribbon)
        return;
    emit tabSwitchBegins();
    for (const QString& t : {tabSculptingTools, tabScaleZ, tab2dEdit, tabExport})
        ribbon->showTab(t, true);
    ribbon->showTab(orientTab, false);
    ribbon->setTabEnabled(tabSculptingTools, false);
    ribbon->setTabEnabled(tab2dEdit, false);
    ribbon->setTabEnabled(tabScaleZ, true);
    ribbon->setCurrentTab(tabScaleZ);
    emit tabSwitchEnds();
}
