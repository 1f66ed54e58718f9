#pragma once

#include <QColor>
#include <QObject>
#include <QPixmap>
#include <QString>

class MaterialLibrary;
class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QSlider;
class QToolButton;
class QWidget;
class Ribbon;
class SculptWin;
class VekSettings;

// The "Materials" group of the view settings: picks a library material for
// the sculpt view, edits its colours and shininess, saves the look as a user
// material or deletes one. setupControls, connected to the sculpt view's
// Initialized(), restores the last material and light position.
class MaterialControls : public QObject
{
    Q_OBJECT

public:
    static constexpr int MaxNameLength = 20;

    // window parents the colour dialogs; settings (not owned) holds
    // "material" and "lightPosition".
    MaterialControls(SculptWin* sculptView, MaterialLibrary* library, VekSettings* settings,
                     QWidget* window, QObject* parent = nullptr);
    ~MaterialControls() override;

    void addGroup(Ribbon* ribbon, const QString& tab);
    void addGroup(Ribbon* ribbon, int tab);

    // The combo box's current text: what the window stores as "material".
    QString currentMaterial() const;
    bool isEditMode() const { return editMode; }

    static QPixmap swatch(const QColor& color, int size = 22);

    QToolButton* colorButton(int component) const { return colorButtons[component]; }
    QSlider* shininessSlider() const { return slider; }
    QComboBox* materialCombo() const { return combo; }
    QLineEdit* nameEdit() const { return edit; }
    QToolButton* cloneButton() const { return clone; }
    QToolButton* deleteButton() const { return remove; }
    QLabel* cloneCaption() const { return cloneLabel; }
    QLabel* deleteCaption() const { return deleteLabel; }

public slots:
    void setMaterialColor(int materialComponent);
    void setMaterialShinyness(int shinyness);
    void chooseMaterial(const QString& name);
    void cloneOkClicked();
    void deleteCancelClicked();
    void materialEditChanged(const QString& s);
    void updateMaterialControls();
    void setupControls();

signals:
    // The light preset read back from the settings; the window applies it.
    void lightPositionRestored(int position);

private:
    void updateMaterialEditMode();
    void fillCombo();
    void setSliderQuietly(double shininess);

    SculptWin* view;
    MaterialLibrary* materials;
    VekSettings* store;
    QWidget* window;
    bool editMode = false;

    QButtonGroup* colorGroup = nullptr;
    QToolButton* colorButtons[3] = {nullptr, nullptr, nullptr};
    QSlider* slider = nullptr;
    QComboBox* combo = nullptr;
    QLineEdit* edit = nullptr;
    QToolButton* clone = nullptr;
    QToolButton* remove = nullptr;
    QLabel* cloneLabel = nullptr;
    QLabel* deleteLabel = nullptr;
};
