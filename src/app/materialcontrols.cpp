#include "app/materialcontrols.h"

#include "base/veksettings.h"
#include "ui/material.h"
#include "ui/materiallibrary.h"
#include "ui/ribbon.h"
#include "views/sculptwin.h"

#include <QButtonGroup>
#include <QColorDialog>
#include <QComboBox>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

MaterialControls::MaterialControls(SculptWin* sculptView, MaterialLibrary* library, VekSettings* settings,
                                   QWidget* parentWindow, QObject* parent)
    : QObject(parent)
    , view(sculptView)
    , materials(library)
    , store(settings)
    , window(parentWindow)
{
}

MaterialControls::~MaterialControls() = default;

QPixmap MaterialControls::swatch(const QColor& color, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(color);
    return pixmap;
}

void MaterialControls::addGroup(Ribbon* ribbon, int tab)
{
    addGroup(ribbon, ribbon->tabText(tab));
}

void MaterialControls::addGroup(Ribbon* ribbon, const QString& tab)
{
    auto* grid = new QGridLayout;
    grid->setContentsMargins(10, 5, 10, 0);
    grid->setSpacing(5);
    auto* content = new QWidget;
    content->setLayout(grid);

    colorGroup = new QButtonGroup(content);
    const QString names[3] = {QStringLiteral("Ambient"), QStringLiteral("Diffuse"), QStringLiteral("Specular")};
    const QColor colors[3] = {view->ambientMaterial(), view->diffuseMaterial(), view->specularMaterial()};
    for (int i = 0; i < 3; ++i) {
        auto* button = new QToolButton;
        button->setMaximumSize(24, 24);
        button->setToolTip(names[i]);
        button->setIconSize(QSize(24, 24));
        button->setIcon(QIcon(swatch(colors[i], 24)));
        colorGroup->addButton(button, i);
        colorButtons[i] = button;
        grid->addWidget(new QLabel(names[i]), i, 0);
        grid->addWidget(button, i, 1);
    }
    connect(colorGroup, &QButtonGroup::idClicked, this,
            &MaterialControls::setMaterialColor);

    slider = new QSlider(Qt::Vertical);
    slider->setRange(0, 100);
    slider->setInvertedControls(true);
    slider->setInvertedAppearance(true);
    setSliderQuietly(view->materialShinyness());
    grid->addWidget(slider, 0, 2, 3, 1);
    connect(slider, &QSlider::valueChanged, this, &MaterialControls::setMaterialShinyness);

    // Clone/Save and Delete/Cancel: a blue swatch button with its caption.
    const auto captioned = [grid](int row, const QString& caption, QLabel*& label) {
        auto* button = new QToolButton;
        button->setMaximumSize(24, 24);
        button->setIcon(QIcon(swatch(Qt::blue, 24)));
        label = new QLabel(caption);
        grid->addWidget(label, row, 3);
        grid->addWidget(button, row, 5);
        return button;
    };
    clone = captioned(0, QStringLiteral("Clone"), cloneLabel);
    connect(clone, &QToolButton::clicked, this, &MaterialControls::cloneOkClicked);
    remove = captioned(1, QStringLiteral("Delete"), deleteLabel);
    connect(remove, &QToolButton::clicked, this, &MaterialControls::deleteCancelClicked);

    auto* nameBox = new QVBoxLayout;
    nameBox->setContentsMargins(0, 0, 0, 0);
    nameBox->setSpacing(0);
    combo = new QComboBox;
    combo->setMaximumHeight(24);
    combo->setContentsMargins(5, 0, 0, 0);
    combo->setStyleSheet(QStringLiteral("* { selection-color: black; selection-background-color: yellow }"));
    fillCombo();
    connect(combo, &QComboBox::textActivated, this,
            &MaterialControls::chooseMaterial);
    edit = new QLineEdit;
    edit->setMaximumHeight(24);
    // The limit holds for every way text gets in, the proposed clone name
    // included, not only for typing.
    edit->setMaxLength(MaxNameLength);
    edit->hide();
    connect(edit, &QLineEdit::textEdited, this, &MaterialControls::materialEditChanged);
    nameBox->addWidget(combo);
    nameBox->addWidget(edit);
    grid->addLayout(nameBox, 2, 3, 1, 3);

    ribbon->addGroup(tab, QStringLiteral("Materials"), content);
}

QString MaterialControls::currentMaterial() const
{
    return combo ? combo->currentText() : QString();
}

void MaterialControls::fillCombo()
{
    combo->clear();
    combo->addItems(materials->names());
}

void MaterialControls::setSliderQuietly(double shininess)
{
    // The slider shows whole numbers; its echo must not overwrite the
    // material's own fractional shininess.
    QSignalBlocker block(slider);
    slider->setValue(int(shininess));
}

void MaterialControls::setMaterialColor(int materialComponent)
{
    QString title;
    QColor start;
    switch (materialComponent) {
    case 0:
        title = QStringLiteral("Choose Ambient Material");
        start = view->ambientMaterial();
        break;
    case 1:
        title = QStringLiteral("Choose Diffuse Material");
        start = view->diffuseMaterial();
        break;
    case 2:
        title = QStringLiteral("Choose Specular Material");
        start = view->specularMaterial();
        break;
    default:
        return;
    }
    const QColor color = QColorDialog::getColor(start, window, title, QColorDialog::ShowAlphaChannel);
    if (!color.isValid())
        return;
    if (materialComponent == 0)
        view->setAmbientMaterial(color);
    else if (materialComponent == 1)
        view->setDiffuseMaterial(color);
    else
        view->setSpecularMaterial(color);
    if (colorButtons[materialComponent])
        colorButtons[materialComponent]->setIcon(QIcon(swatch(color)));
}

void MaterialControls::setMaterialShinyness(int shinyness)
{
    view->setMaterialShinyness(double(shinyness));
}

void MaterialControls::chooseMaterial(const QString& name)
{
    const Material m = materials->find(name);
    if (remove)
        remove->setEnabled(!m.readOnly);
    view->setAmbientMaterial(m.ambient);
    view->setDiffuseMaterial(m.diffuse);
    view->setSpecularMaterial(m.specular);
    view->setMaterialShinyness(m.shininess);
    if (colorButtons[0]) {
        colorButtons[0]->setIcon(QIcon(swatch(m.ambient)));
        colorButtons[1]->setIcon(QIcon(swatch(m.diffuse)));
        colorButtons[2]->setIcon(QIcon(swatch(m.specular)));
    }
    if (slider)
        setSliderQuietly(m.shininess);
}

void MaterialControls::updateMaterialEditMode()
{
    if (!combo)
        return;
    if (!editMode) {
        edit->hide();
        combo->show();
        cloneLabel->setText(QStringLiteral("Clone"));
        deleteLabel->setText(QStringLiteral("Delete"));
        // An emptied name disabled the button; browsing has nothing to block.
        clone->setEnabled(true);
        chooseMaterial(combo->currentText());
    } else {
        combo->hide();
        edit->show();
        cloneLabel->setText(QStringLiteral("Save"));
        deleteLabel->setText(QStringLiteral("Cancel"));
        remove->setEnabled(true);
    }
}

void MaterialControls::cloneOkClicked()
{
    if (!combo)
        return;
    if (!editMode) {
        edit->setText(QStringLiteral("Clone of ") + combo->currentText());
        materialEditChanged(edit->text());
        editMode = true;
        updateMaterialEditMode();
        return;
    }
    Material m;
    m.name = edit->text();
    m.ambient = view->ambientMaterial();
    m.diffuse = view->diffuseMaterial();
    m.specular = view->specularMaterial();
    m.shininess = view->materialShinyness();
    m.readOnly = false;
    materials->save(m);
    fillCombo();
    combo->setCurrentIndex(combo->findText(m.name, Qt::MatchExactly | Qt::MatchCaseSensitive));
    editMode = false;
    updateMaterialEditMode();
}

void MaterialControls::deleteCancelClicked()
{
    if (!combo)
        return;
    if (!editMode) {
        materials->remove(combo->currentText());
        fillCombo();
    } else {
        editMode = false;
    }
    updateMaterialEditMode();
}

void MaterialControls::materialEditChanged(const QString& s)
{
    if (edit && s.size() > MaxNameLength)
        edit->setText(s.left(MaxNameLength));
    if (clone)
        clone->setEnabled(!s.isEmpty());
}

void MaterialControls::updateMaterialControls()
{
    if (!colorButtons[0])
        return;
    colorButtons[0]->setIcon(QIcon(swatch(view->ambientMaterial())));
    colorButtons[1]->setIcon(QIcon(swatch(view->diffuseMaterial())));
    colorButtons[2]->setIcon(QIcon(swatch(view->specularMaterial())));
    setSliderQuietly(view->materialShinyness());
}

void MaterialControls::setupControls()
{
    if (store) {
        const int light = store->value(QStringLiteral("lightPosition"), view->lightPosition()).toInt();
        emit lightPositionRestored(light);
        const QString name = store->value(QStringLiteral("material"), QStringLiteral("obsidian")).toString();
        if (combo)
            combo->setCurrentIndex(combo->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive));
        chooseMaterial(name);
    }
    updateMaterialControls();
}
