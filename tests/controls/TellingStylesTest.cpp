// The telling objects of the built-in style (the 2D library's part and the controls' part
// together): each one has its fixed root class, size, named parts of their classes, the
// values that matter and the trigger strings of its animations and effects; the icons have
// their pictures and the drop target's look is there twice.

#include "controls/Controls.h"
#include "graphics/TwzBitmap.h"
#include "platform/rtl/Properties.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Text.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzImage.h"
#include "ui2d/TwzResources.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace {

struct Value {
    const char* part; // a resource name inside the object, "@Class" for the first object of
                      // that class inside it, "" for the object itself
    const char* path;
    const char* text; // as rtl::GetPropText writes it
};

struct Telling {
    const char* name;
    const char* rootClass;
    std::vector<std::pair<const char*, const char*>> parts; // resource name, class ("" any)
    std::vector<Value> values;
    std::vector<const char*> triggers; // each used at least once in the object
};

/// The trigger strings of every animation and effect in the subtree.
void CollectTriggers(TwzObject& object, std::set<std::string>& triggers)
{
    const rtl::TPropTarget trigger = rtl::ResolveProp(object, "Trigger");
    if (trigger && trigger.object == &object) {
        const rtl::TValue value = rtl::GetPropValue(object, *trigger.prop);
        if (const auto* text = std::get_if<std::string>(&value))
            triggers.insert(*text);
    }
    for (TwzObject* child : object.Children())
        CollectTriggers(*child, triggers);
}

/// The first object of the class below `object`, depth first.
TwzObject* FindOfClass(TwzObject& object, std::string_view className)
{
    for (TwzObject* child : object.Children()) {
        if (child->ClassName() == className)
            return child;
        if (TwzObject* found = FindOfClass(*child, className))
            return found;
    }
    return nullptr;
}

std::vector<TwzObject*> FindStyleObjects(TwzObject& style, const std::string& name)
{
    std::vector<TwzObject*> found;
    for (TwzObject* child : style.Children()) {
        if (rtl::SameText(child->GetResourceName(), name))
            found.push_back(child);
    }
    return found;
}

std::string ObjectText(TwzObject& object)
{
    rtl::TMemoryStream text;
    object.SaveObjectAsText(text);
    return std::string(text.Bytes().begin(), text.Bytes().end());
}

TEST(TellingStyles, EachTellingObjectHasItsFixedStructure)
{
    Initialize2DLibrary();
    RegisterControls();
    TwzObject* style = ui2d::LoadDefaultStyle();
    ASSERT_NE(style, nullptr);

    const Value iconSize[]
        = { { "", "Width", "50" }, { "", "Height", "50" }, { "", "WrapMode", "wzImageFit" } };
    const std::vector<Telling> cases = {
        { "buttonstyle", "TwzLayout", { { "background", "TwzRectangle" }, { "text", "TwzText" } },
            { { "", "Width", "73" }, { "", "Height", "26" }, { "background", "Align", "vaContents" },
                { "background", "Stroke.Color", "#FF222222" }, { "background", "xRadius", "3" },
                { "background", "Fill.Style", "wzBrushGradient" }, { "text", "Align", "vaClient" },
                { "text", "Padding.Left", "5" }, { "text", "Padding.Top", "2" }, { "text", "Text", "button" },
                { "text", "Fill.Color", "#FFE0E0E0" }, { "text", "WordWrap", "False" },
                { "@TwzGlowEffect", "Trigger", "IsFocused=true" },
                { "@TwzGlowEffect", "GlowColor", "#FFF69E2D" }, { "@TwzGlowEffect", "Softness", "0.2" },
                { "@TwzGlowEffect", "Opacity", "0.9" } },
            { "IsMouseOver=true;IsPressed=false", "IsMouseOver=false;IsPressed=false",
                "IsMouseOver=false;IsPressed=true", "IsMouseOver=true;IsPressed=true", "IsFocused=true" } },
        { "scrollboxstyle", "TwzLayout",
            { { "background", "TwzLayout" }, { "content", "" }, { "vscrollbar", "TwzScrollBar" },
                { "hscrollbar", "TwzScrollBar" }, { "vsmallscrollbar", "TwzSmallScrollBar" },
                { "hsmallscrollbar", "TwzSmallScrollBar" }, { "sizegrip", "TwzSizeGrip" } },
            { { "", "Width", "334" }, { "", "Height", "131" }, { "", "ClipChildren", "True" },
                { "background", "Align", "vaContents" }, { "content", "Align", "vaClient" },
                { "vscrollbar", "Align", "vaRight" }, { "vscrollbar", "Width", "16" },
                { "vscrollbar", "Max", "100" }, { "hscrollbar", "Align", "vaBottom" },
                { "hscrollbar", "Height", "16" }, { "vsmallscrollbar", "Width", "8" },
                { "vsmallscrollbar", "Visible", "False" }, { "hsmallscrollbar", "Height", "8" },
                { "hsmallscrollbar", "Visible", "False" } },
            {} },
        { "textboxstyle", "TwzLayout",
            { { "background", "TwzRectangle" }, { "foreground", "TwzBrushObject" },
                { "selection", "TwzBrushObject" }, { "content", "TwzContent" } },
            { { "", "Width", "107" }, { "", "Height", "22" } }, { "IsFocused=true" } },
        { "messagepopupstyle", "TwzLayout", { { "shadow", "TwzShadowEffect" } },
            { { "", "Width", "334" }, { "", "Height", "131" }, { "", "ClipChildren", "True" },
                { "@TwzRectangle", "Opacity", "0.9" }, { "@TwzRectangle", "Fill.Color", "#FF404040" },
                { "@TwzRectangle", "Stroke.Color", "#FFFFFFFF" },
                { "@TwzFloatAnimation", "Trigger", "IsOpen=true" },
                { "@TwzFloatAnimation", "PropertyName", "Parent.Position.Y" },
                { "@TwzFloatAnimation", "StartValue", "-200" }, { "@TwzFloatAnimation", "Duration", "0.4" } },
            { "IsOpen=true", "IsOpen=false" } },
        { "combolistboxstyle", "TwzLayout",
            { { "background", "" }, { "content", "" }, { "vscrollbar", "TwzScrollBar" },
                { "hscrollbar", "TwzScrollBar" }, { "selection", "" } },
            { { "", "Width", "92" }, { "", "Height", "59" } }, { "IsOpen=true", "IsOpen=false" } },
        { "droptargetstyle", "TwzLayout", { { "text", "TwzText" } },
            { { "", "Width", "50" }, { "", "Height", "50" }, { "@TwzRectangle", "Stroke.Color", "#FFE8E8E8" },
                { "@TwzRectangle", "StrokeThickness", "4" }, { "@TwzRectangle", "StrokeDash", "wzDashDash" },
                { "@TwzRectangle", "xRadius", "11" },
                { "@TwzFloatKeyAnimation", "PropertyName", "Margins.Top" },
                { "@TwzFloatKeyAnimation", "Duration", "0.6" }, { "@TwzFloatKeyAnimation", "Loop", "True" } },
            { "IsDragOver=true" } },
        { "iconconfirmation", "TwzImage", {}, { std::begin(iconSize), std::end(iconSize) }, {} },
        { "iconinformation", "TwzImage", {}, { std::begin(iconSize), std::end(iconSize) }, {} },
        { "iconwarning", "TwzImage", {}, { std::begin(iconSize), std::end(iconSize) }, {} },
        { "iconerror", "TwzImage", {}, { std::begin(iconSize), std::end(iconSize) }, {} },
        { "grad", "TwzBrushObject", {},
            { { "", "Brush.Style", "wzBrushGradient" }, { "", "Brush.Gradient.Style", "wzLinearGradient" } },
            {} },
    };

    for (const Telling& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<TwzObject*> objects = FindStyleObjects(*style, c.name);
        ASSERT_FALSE(objects.empty()) << "missing";
        TwzObject* object = objects.front();
        EXPECT_EQ(object->ClassName(), c.rootClass);
        for (const auto& [part, className] : c.parts) {
            TwzObject* found = object->FindResource(part);
            ASSERT_NE(found, nullptr) << "part " << part;
            if (*className) {
                EXPECT_EQ(found->ClassName(), className) << "part " << part;
            }
        }
        for (const Value& v : c.values) {
            TwzObject* holder = v.part[0] == '@' ? FindOfClass(*object, v.part + 1)
                : *v.part                        ? object->FindResource(v.part)
                                                 : object;
            ASSERT_NE(holder, nullptr) << v.part;
            EXPECT_EQ(rtl::GetPropText(*holder, v.path), v.text) << v.part << "." << v.path;
        }
        std::set<std::string> triggers;
        CollectTriggers(*object, triggers);
        for (const char* trigger : c.triggers)
            EXPECT_TRUE(triggers.count(trigger)) << "no animation or effect on " << trigger;
    }

    // Each icon shows a 64 x 64 picture of its own.
    std::set<std::vector<uint32_t>> pictures;
    for (const char* name : { "iconconfirmation", "iconinformation", "iconwarning", "iconerror" }) {
        SCOPED_TRACE(name);
        const std::vector<TwzObject*> icons = FindStyleObjects(*style, name);
        ASSERT_EQ(icons.size(), 1u);
        auto* image = dynamic_cast<TwzImage*>(icons.front());
        ASSERT_NE(image, nullptr);
        TwzBitmap& picture = *image->GetBitmap();
        ASSERT_EQ(picture.GetWidth(), 64);
        ASSERT_EQ(picture.GetHeight(), 64);
        std::vector<uint32_t> pixels;
        for (int y = 0; y < 64; ++y)
            pixels.insert(pixels.end(), picture.GetScanline(y), picture.GetScanline(y) + 64);
        EXPECT_NE(pixels[32 * 64 + 32] >> 24, 0u) << "the middle is painted";
        EXPECT_TRUE(pictures.insert(pixels).second) << "the same picture as another icon";
    }

    // The drop target's look is there twice, alike, so either serves a lookup.
    const std::vector<TwzObject*> dropTargets = FindStyleObjects(*style, "droptargetstyle");
    ASSERT_EQ(dropTargets.size(), 2u);
    EXPECT_EQ(ObjectText(*dropTargets[0]), ObjectText(*dropTargets[1]));
}

} // namespace
