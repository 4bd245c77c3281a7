#include "design/LayerDesignMode.h"

#include "controls/TwzLayouts.h"
#include "layers/ThvObjectLayer.h"
#include "platform/rtl/Exceptions.h"
#include "scene3d/ThvScene.h"
#include "ui2d/Library2D.h"
#include "ui2d/SceneDesignerHook.h"
#include "ui2d/TwzCustomScene.h"
#include "ui2d/TwzVisualObject.h"

#include <cmath>

namespace design {

LayerDesignMode::LayerDesignMode(ThvCustomObjectLayer& layer)
    : SceneDesignMode(layer)
    , m_layer(layer)
{ }

TwzVisualObject* LayerDesignMode::ObjectAt(const TwzPoint& p)
{
    return m_layer.ObjectAtLayerPoint(p.X, p.Y);
}

void LayerDesignMode::CreateRoot()
{
    auto* root = new TwzLayout(m_layer.GetOwner());
    rtl::Watch<TwzLayout> watched(root);
    if (SceneDesigner) {
        try {
            root->SetName(SceneDesigner->UniqueName(m_layer.GetOwner(), "Root"));
        } catch (const rtl::ComponentError&) { }
    }
    m_layer.AddObject(root);
    if (watched && HostAlive())
        m_layer.RealignRoot();
}

void LayerDesignMode::RefitRoot()
{
    m_layer.RealignRoot();
}

platform::ui::Point LayerDesignMode::MenuScreenPoint()
{
    const TwzPoint screen = m_layer.LocalToScreen(m_layer.GetMousePos());
    return { static_cast<int32_t>(std::trunc(screen.X)), static_cast<int32_t>(std::trunc(screen.Y)) };
}

platform::ui::SceneHost* LayerDesignMode::MenuOwner()
{
    ThvScene* scene = m_layer.GetScene();
    return scene ? scene->GetHost() : nullptr;
}

TwzPoint LayerDesignMode::MenuPoint(platform::ui::Point)
{
    return m_layer.GetMousePos();
}

std::optional<TwzPoint> LayerDesignMode::InsertPosition(TwzVisualObject* selection)
{
    const TwzPoint menu = GetMenuPos();
    return selection ? selection->AbsoluteToLocal(menu) : menu;
}

std::string LayerDesignMode::LoadFilter() const
{
    return "Plimora Files|*.plimora";
}

platform::ui::Form* LayerDesignMode::DialogOwner()
{
    ThvScene* scene = m_layer.GetScene();
    return scene ? scene->GetParentForm() : nullptr;
}

void LayerDesignMode::RaiseDesignChange()
{
    m_layer.OnDesignChange(&m_layer);
}

bool LayerDesignMode::GetSnapGridShow() const
{
    return m_layer.GetDesignSnapGridShow();
}

bool LayerDesignMode::GetSnapToGrid() const
{
    return m_layer.GetDesignSnapToGrid();
}

bool LayerDesignMode::GetSnapToLines() const
{
    return m_layer.GetDesignSnapToLines();
}

float LayerDesignMode::GetGridSize() const
{
    return m_layer.GetGridSize();
}

void LayerDesignMode::SetSnapSettings(bool show, bool toGrid, bool toLines)
{
    m_layer.SetDesignSnapGridShow(show);
    m_layer.SetDesignSnapToGrid(toGrid);
    m_layer.SetDesignSnapToLines(toLines);
}

TwzRect LayerDesignMode::ClientRect() const
{
    return { 0, 0, static_cast<float>(m_layer.PixelWidth()), static_cast<float>(m_layer.PixelHeight()) };
}

void InstallDesignModes()
{
    ui2d::MakeSceneDesignMode = [](TwzCustomScene& scene) -> std::shared_ptr<ui2d::HostDesignMode> {
        return std::make_shared<CustomSceneDesignMode>(scene);
    };
    layers::MakeLayerDesignMode = [](ThvCustomObjectLayer& layer) -> std::shared_ptr<ui2d::HostDesignMode> {
        return std::make_shared<LayerDesignMode>(layer);
    };
}

} // namespace design
