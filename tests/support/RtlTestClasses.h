#pragma once

// A small component family covering every property kind, sub-objects, collections, links,
// events and a parent/child tree, shared by the property and stream tests.

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Collection.h"
#include "platform/rtl/Component.h"

#include <cstdint>
#include <string>
#include <vector>

namespace rtltest {

enum TTestShape : uint8_t { tsCircle, tsSquare, tsTriangle };
enum TTestCorner : uint8_t { tcTopLeft, tcTopRight, tcBottomLeft, tcBottomRight };
using TTestCorners = rtl::TSet<TTestCorner>;

} // namespace rtltest

RTL_ENUM(rtltest::TTestShape, "tsCircle", "tsSquare", "tsTriangle");
RTL_ENUM(rtltest::TTestCorner, "tcTopLeft", "tcTopRight", "tcBottomLeft", "tcBottomRight");
RTL_SET(rtltest::TTestCorners);

namespace rtltest {

class TTestNode;

// A point stored as the text pseudo-property "Point" only when it differs from its default.
class TTestPoint : public rtl::TPersistent {
    RTL_CLASS(TTestPoint, rtl::TPersistent)
public:
    TTestPoint(float x, float y);
    float GetX() const { return m_x; }
    void SetX(float v);
    float GetY() const { return m_y; }
    void SetY(float v);
    rtl::TNotifyEvent OnChange;
    void Assign(const rtl::TPersistent& source) override;
    void DefineProperties(rtl::TFiler& filer) override;

private:
    float m_x, m_y, m_defaultX, m_defaultY;
};

class TTestStop : public rtl::TCollectionItem {
    RTL_CLASS(TTestStop, rtl::TCollectionItem)
public:
    using TCollectionItem::TCollectionItem;
    float GetOffset() const { return m_offset; }
    void SetOffset(float v) { m_offset = v; }
    uint32_t GetColor() const { return m_color; }
    void SetColor(uint32_t v) { m_color = v; }
    TTestNode* GetTarget() const { return m_target; }
    void SetTarget(TTestNode* v) { m_target = v; }
    void Assign(const rtl::TPersistent& source) override;

private:
    float m_offset = 0;
    uint32_t m_color = 0;
    TTestNode* m_target = nullptr; // test links only; not kept up to date
};

class TTestStops : public rtl::TCollection {
    RTL_CLASS(TTestStops, rtl::TCollection)
public:
    TTestStops();
    TTestStop* Stop(int i) const { return static_cast<TTestStop*>(GetItem(i)); }
};

class TTestFill : public rtl::TPersistent {
    RTL_CLASS(TTestFill, rtl::TPersistent)
public:
    TTestFill();
    uint32_t GetColor() const { return m_color; }
    void SetColor(uint32_t v) { m_color = v; }
    TTestShape GetStyle() const { return m_style; }
    void SetStyle(TTestShape v) { m_style = v; }
    TTestPoint* GetCenter() const { return m_center.get(); }
    void SetCenter(TTestPoint* v) { m_center->Assign(*v); }
    TTestStops* GetStops() const { return m_stops.get(); }
    void SetStops(TTestStops* v) { m_stops->Assign(*v); }
    void Assign(const rtl::TPersistent& source) override;

private:
    uint32_t m_color = 0xFF000000;
    TTestShape m_style = tsCircle;
    std::unique_ptr<TTestPoint> m_center;
    std::unique_ptr<TTestStops> m_stops;
};

// A component of a parent/child tree, with one published property of every kind.
class TTestNode : public rtl::TComponent {
    RTL_CLASS(TTestNode, rtl::TComponent)
public:
    explicit TTestNode(rtl::TComponent* owner);

    float GetWidth() const { return m_width; }
    void SetWidth(float v) { m_width = v; }
    int32_t GetCount() const { return m_count; }
    void SetCount(int32_t v) { m_count = v; }
    int64_t GetBig() const { return m_big; }
    void SetBig(int64_t v) { m_big = v; }
    double GetPrecise() const { return m_precise; }
    void SetPrecise(double v) { m_precise = v; }
    bool GetVisible() const { return m_visible; }
    void SetVisible(bool v) { m_visible = v; }
    TTestShape GetShape() const { return m_shape; }
    void SetShape(TTestShape v) { m_shape = v; }
    TTestCorners GetCorners() const { return m_corners; }
    void SetCorners(TTestCorners v) { m_corners = v; }
    char GetLetter() const { return m_letter; }
    void SetLetter(char v) { m_letter = v; }
    char16_t GetWideLetter() const { return m_wideLetter; }
    void SetWideLetter(char16_t v) { m_wideLetter = v; }
    std::string GetCaption() const { return m_caption; }
    void SetCaption(const std::string& v) { m_caption = v; }
    std::u16string GetTitle() const { return m_title; }
    void SetTitle(const std::u16string& v) { m_title = v; }
    uint32_t GetColor() const { return m_color; }
    void SetColor(uint32_t v) { m_color = v; }
    TTestFill* GetFill() const { return m_fill.get(); }
    void SetFill(const TTestFill& v) { m_fill->Assign(v); }
    TTestNode* GetTarget() const { return m_target; }
    void SetTarget(TTestNode* v);
    TTestNode* GetParent() const { return m_parent; }
    void SetParent(TTestNode* v);
    bool GetIsHot() const { return m_count > 10; }
    std::string GetSecret() const { return m_secret; }
    void SetSecret(const std::string& v) { m_secret = v; }
    bool IsSecretStored() const { return m_visible; }

    rtl::TNotifyEvent OnClick;
    rtl::TEvent<rtl::TObject*, float, float> OnMove;

    std::vector<uint8_t> data; // stored as the binary value "Data" when not empty
    bool stored = true; // children with false are not written
    const std::vector<TTestNode*>& Children() const { return m_children; }

    void Notification(rtl::TComponent* component, rtl::TOperation operation) override;
    void Loaded() override;
    void DefineProperties(rtl::TFiler& filer) override;
    void GetChildren(const rtl::TGetChildProc& proc, rtl::TComponent* root) override;
    rtl::TComponent* GetParentComponent() const override { return m_parent; }
    void SetParentComponent(rtl::TComponent* parent) override;
    bool HasParent() const override { return true; }

    static std::vector<std::string> loadedLog; // names, in Loaded() order

protected:
    void BeforeDestruction() override;

private:
    float m_width = 0;
    int32_t m_count = 0;
    int64_t m_big = 0;
    double m_precise = 0;
    bool m_visible = true;
    TTestShape m_shape = tsCircle;
    TTestCorners m_corners { tcTopLeft, tcTopRight };
    char m_letter = 'a';
    char16_t m_wideLetter = u'a';
    std::string m_caption;
    std::u16string m_title;
    uint32_t m_color = 0xFF000000;
    std::unique_ptr<TTestFill> m_fill;
    TTestNode* m_target = nullptr;
    TTestNode* m_parent = nullptr;
    std::vector<TTestNode*> m_children;
    std::string m_secret;
};

// A root that publishes handlers for stored descriptions.
class TTestForm : public TTestNode {
    RTL_CLASS(TTestForm, TTestNode)
public:
    explicit TTestForm(rtl::TComponent* owner);
    // A form read as another form's child is written by that tree, not as a loose component.
    bool HasParent() const override { return GetParent() != nullptr; }

    void ButtonClick(rtl::TObject* sender);
    void OtherClick(rtl::TObject* sender); // the same body as ButtonClick
    void NodeMove(rtl::TObject* sender, float x, float y);
    void HiddenClick(rtl::TObject* sender); // not published

    std::vector<std::string> clicks;
};

// A class that cannot be created from a stream.
class TTestAbstract : public TTestNode {
    RTL_CLASS(TTestAbstract, TTestNode)
public:
    using TTestNode::TTestNode;
    virtual void Pure() = 0;
};

/// Registers the classes above (idempotent).
void RegisterTestClasses();

/// A node named `name` owned by `owner` and child of `parent`.
TTestNode* MakeNode(rtl::TComponent* owner, TTestNode* parent, const std::string& name);

} // namespace rtltest
