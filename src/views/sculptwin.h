#pragma once

#include "geometry/quaternion.h"
#include "geometry/vector3d.h"
#include "relief/tool.h"
#include "views/importsettings.h"
#include "views/lightpreset.h"
#include "views/reliefview.h"
#include "views/shadermaterial.h"
#include "views/trackball.h"
#include "views/viewcube.h"

#include <QColor>
#include <QFont>
#include <QPoint>

#include <deque>
#include <functional>

class QMouseEvent;
class QShowEvent;

// The 3-D view of the relief: a lit, shaded surface drawn through a shader,
// turned by a trackball, with the current tool's footprint draped over it
// and a view cube in the top-left corner.
class SculptWin : public ReliefView
{
    Q_OBJECT

public:
    explicit SculptWin(QWidget* parent = nullptr);

    void setZScale(double zScale);

    void setLightPosition(int index);
    int lightPosition() const { return lightIndex; }
    // (lx, ly, 1): the light direction of a preset, as the lit program takes it.
    static VekMath::Vector3d lightDirection(int index) { return LightPreset::direction(index); }
    // The rotation of a light preset (not normalised).
    static VekMath::Quaternion lightRotation(int index) { return LightPreset::rotation(index); }
    void setAmbientMaterial(const QColor& c);
    void setDiffuseMaterial(const QColor& c);
    void setSpecularMaterial(const QColor& c);
    void setMaterialShinyness(double shinyness);
    QColor ambientMaterial() const { return ShaderMaterial(shader).ambient(); }
    QColor diffuseMaterial() const { return ShaderMaterial(shader).diffuse(); }
    QColor specularMaterial() const { return ShaderMaterial(shader).specular(); }
    double materialShinyness() const { return ShaderMaterial(shader).shinyness(); }

    void drawToolOutline(const VekMath::Vector3d& centre);
    void buildViewCubeFaces() { cube.buildFaces(); }
    void drawViewCube();
    // The cube face under the OpenGL window pixel g (origin bottom-left), or -1.
    int pickViewCubeFace(const QPoint& g) const { return cube.pick(g); }

    void setShowToolOutline(bool show);
    using ReliefView::zoom;
    Shader* currentShader() const { return shader; }

public slots:
    void setRotation(VekMath::Quaternion quat);

    // Import settings of the relief's source; each regenerates the relief
    // (or marks it for the next explicit update) and reports the source's
    // dirty flag. Nothing happens without a relief and its source.
    void setFlipY(bool on) { importChange([on](ImportSettings& s) { return s.setFlipY(on); }); }
    void setInvertZ(bool on) { importChange([on](ImportSettings& s) { return s.setInvertZ(on); }); }
    void setImportKeepTransparency(bool on)
    {
        importChange([on](ImportSettings& s) { return s.setKeepTransparency(on); });
    }
    void setPreview(bool on) { importChange([on](ImportSettings& s) { return s.setPreview(on); }); }
    void setSmoothSteps(double steps)
    {
        importChange([steps](ImportSettings& s) { return s.setSmoothSteps(steps); });
    }
    void setRaiseLowerSteps(int steps)
    {
        importChange([steps](ImportSettings& s) { return s.setRaiseLowerSteps(steps); });
    }
    void setTrimSteps(int steps) { importChange([steps](ImportSettings& s) { return s.setTrimSteps(steps); }); }
    void setTilt(int horizontal, int vertical)
    {
        importChange([=](ImportSettings& s) { return s.setTilt(horizontal, vertical); });
    }
    void setGridSize(int size) { importChange([size](ImportSettings& s) { return s.setGridSize(size); }); }
    void setContrastFactor(int factor)
    {
        importChange([factor](ImportSettings& s) { return s.setContrastFactor(factor); });
    }
    void setSmoothness(int smoothness)
    {
        importChange([smoothness](ImportSettings& s) { return s.setSmoothness(smoothness); });
    }
    void updateRelief(bool apply) { importChange([apply](ImportSettings& s) { return s.updateRelief(apply); }); }
    void setBasReliefEnabled(bool on)
    {
        importChange([on](ImportSettings& s) { return s.setBasReliefEnabled(on); });
    }

    // Fields of the current tool; no signal goes back.
    void setToolSize(double size) { setToolField(&Tool::size, size); }
    void setToolStrength(double strength) { setToolField(&Tool::strength, strength); }
    void setToolKeepTransparency(bool keep) { setToolField(&Tool::keepTransparency, keep); }
    void setToolMode(Tool::Mode mode) { setToolField(&Tool::mode, mode); }
    void setToolForm(Tool::Form form) { setToolField(&Tool::form, form); }
    void setToolHardness(double hardness) { setToolField(&Tool::hardness, hardness); }
    void setToolAspectRatio(double aspectRatio) { setToolField(&Tool::aspectRatio, aspectRatio); }
    void setToolAxisAngle(double degrees) { setToolField(&Tool::axisAngle, degrees); }
    void setToolDecayLength(double length) { setToolField(&Tool::decayLength, length); }
    void setToolUseSmoothing(bool on) { setToolField(&Tool::useSmoothing, on); }
    void setToolUseDecayLength(bool on) { setToolField(&Tool::useDecayLength, on); }
    void setToolSmoothLength(int length) { setToolField(&Tool::smoothLength, length); }
    void setToolClip(bool clip) { setToolField(&Tool::clip, clip); }

    // Makes the type current and reports all of its settings.
    void setTool(Tool::Type type);
    void stepToolSize(int i);
    void stepToolStrength(int i);
    void resetRotation();
    void zoomBy(double f) { nav.zoomBy(f); }
    void zoom(double f) { nav.zoom(f); }
    void zoomAt(double f, const QPoint& p) { nav.zoomAt(f, p); }

protected:
    void resizeGL(int w, int h) override;
    void updateMesh() override;
    void drawOverlays() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;

    const double* rotation() override { return trackball.matrix(); }
    const QCursor& viewToolCursor(int mode) const override;
    void initializeViewGl() override;
    void reliefReplaced() override;

    QFont font;
    Trackball trackball;
    bool resized = false;
    bool cubeGrab = false;
    // The frame being drawn shows heights other than the last one.
    bool heightsChanged = false;
    int lightIndex = 0;
    ViewCube cube;

private:
    // One stroke step towards the mouse, with the axis lock applied.
    void strokeStep(const QPoint& old, QMouseEvent* event);
    using ImportChange = std::function<ImportSettings::Outcome(ImportSettings&)>;
    // Applies an import change, or, when it arrives while another one is
    // rebuilding the relief (the bas-relief lets events through), once that
    // has ended: a rebuild inside a rebuild would be overwritten by the
    // outer one's older result, which then reports itself current.
    void importChange(ImportChange change);
    // Repaints after an import setting that regenerated the relief and
    // reports the source's dirty flag.
    void sourceChanged(const ImportSettings::Outcome& outcome);

    bool importing = false;
    std::deque<ImportChange> pendingImports;
};
