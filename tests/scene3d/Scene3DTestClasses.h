#pragma once

// Small classes shared by the 3D library's tests: an object holding one of every 3D value,
// stand-in animations and a decoration child, and an image codec that stores pixels plainly
// and remembers the format it was asked for.

#include "scene3d/ThvBounds.h"
#include "scene3d/ThvFilter.h"
#include "scene3d/ThvFont.h"
#include "scene3d/ThvMaterial.h"
#include "scene3d/ThvMeshData.h"
#include "scene3d/ThvObject.h"
#include "scene3d/ThvPosition.h"

#include "platform/rtl/Streams.h"

#include <memory>
#include <string>
#include <vector>

namespace scene3dtest {

/// An object with one published value of each kind; Position defaults to (1, 1, 1).
class THolder3D : public ThvObject {
    RTL_CLASS(THolder3D, ThvObject)
public:
    explicit THolder3D(rtl::TComponent* owner);

    [[nodiscard]] ThvPosition* GetPosition() const { return m_position.get(); }
    void SetPosition(ThvPosition* value) { m_position->Assign(*value); }
    [[nodiscard]] ThvBounds* GetMargins() const { return m_margins.get(); }
    void SetMargins(ThvBounds* value) { m_margins->Assign(*value); }
    [[nodiscard]] ThvMeshData* GetMesh() const { return m_mesh.get(); }
    void SetMesh(ThvMeshData* value) { m_mesh->Assign(*value); }
    [[nodiscard]] ThvMaterial* GetMaterial() const { return m_material.get(); }
    void SetMaterial(ThvMaterial* value) { m_material->Assign(*value); }
    [[nodiscard]] ThvFont* GetFont() const { return m_font.get(); }
    void SetFont(ThvFont* value) { m_font->Assign(*value); }
    [[nodiscard]] float GetValue() const { return m_value; }
    void SetValue(float value) { m_value = value; }

    /// Every OnTick this object raised, as "name@time".
    static std::vector<std::string> tickLog;
    void Ticked(rtl::TObject* sender, double time, double deltaTime);

private:
    std::unique_ptr<ThvPosition> m_position;
    std::unique_ptr<ThvBounds> m_margins;
    std::unique_ptr<ThvMeshData> m_mesh;
    std::unique_ptr<ThvMaterial> m_material;
    std::unique_ptr<ThvFont> m_font;
    float m_value = 0;
};

/// A child animation that logs what the tree asks of it ("start name", "stop name",
/// "trigger name text").
class TTestAnimation : public ThvObject, public scene3d::IAnimationChild, public scene3d::IPropertyAnimation {
    RTL_CLASS(TTestAnimation, ThvObject)
public:
    explicit TTestAnimation(rtl::TComponent* owner);

    [[nodiscard]] const std::string& GetPropertyName() const override { return m_propertyName; }
    void SetPropertyName(const std::string& value) { m_propertyName = value; }
    [[nodiscard]] const std::string& GetTrigger() const override { return m_trigger; }
    void SetTrigger(const std::string& value) { m_trigger = value; }

    void Start() override;
    void Stop() override;
    void StartTrigger(ThvObject* instance, const std::string& trigger) override;
    [[nodiscard]] bool GetRunning() const override { return m_running; }

    static std::vector<std::string> log;
    /// Frees this animation's siblings named here when it is started (a handler freeing
    /// objects during a walk).
    std::vector<ThvObject*> freeOnStart;

private:
    std::string m_propertyName;
    std::string m_trigger;
    bool m_running = false;
};

/// A locked decoration child that passes its parent's trigger requests on.
class TTestDecoration : public ThvObject {
    RTL_CLASS(TTestDecoration, ThvObject)
public:
    using ThvObject::ThvObject;

protected:
    [[nodiscard]] bool ReceivesParentTriggers() const override { return true; }
};

/// Logs the tree's hooks on itself ("added child", "removed child", "order").
class THookedObject : public ThvObject {
    RTL_CLASS(THookedObject, ThvObject)
public:
    using ThvObject::ThvObject;
    std::vector<std::string> hooks;

protected:
    void ObjectAdded(ThvObject* child) override { hooks.push_back("added " + child->GetName()); }
    void ObjectRemoved(ThvObject* child) override { hooks.push_back("removed " + child->GetName()); }
    void OrderChanged() override { hooks.push_back("order"); }
};

/// Stores "FAKE", the format, the parameter text, the size and the raw pixels; reads them
/// back. The last format and parameters asked for are kept for the tests.
class TFakeFilter : public ThvFilter {
    RTL_CLASS(TFakeFilter, ThvFilter)
public:
    TFakeFilter() = default;

    bool LoadFromFile(const std::string&, float, ThvBitmap&) override { return false; }
    bool LoadThumbnailFromFile(const std::string&, float, float, bool, ThvBitmap&) override { return false; }
    void SaveToFile(const std::string&, ThvBitmap&, const std::string&) override { }
    bool LoadFromStream(rtl::TStream& stream, ThvBitmap& bitmap) override;
    void SaveToStream(rtl::TStream& stream, ThvBitmap& bitmap, const std::string& format,
        const std::string& params) override;

    static std::string GetFileTypes() { return "*.fake"; }

    static std::string lastFormat;
    static std::string lastParams;
    static int instances;
};

/// Installs TFakeFilter as the default codec class for the life of the guard.
class UseFakeFilter {
public:
    UseFakeFilter();
    ~UseFakeFilter();
    UseFakeFilter(const UseFakeFilter&) = delete;
    UseFakeFilter& operator=(const UseFakeFilter&) = delete;

private:
    const ThvFilterClass* m_previous;
};

/// Starts the 3D library and registers the classes above (idempotent).
void RegisterTestClasses3D();

/// The object text of `object` (SaveToStream).
[[nodiscard]] std::string ObjectText(ThvObject& object);

/// The binary component stream of an object text.
[[nodiscard]] std::unique_ptr<rtl::TMemoryStream> TextToBinary(const std::string& text);

} // namespace scene3dtest
