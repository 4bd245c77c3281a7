#include "Scene3DTestClasses.h"

#include "graphics/TwzFont.h"
#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvBitmapObject.h"
#include "scene3d/ThvBitmapRect.h"
#include "scene3d/ThvFont.h"
#include "scene3d/ThvMaterial.h"

#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace scene3dtest;

namespace {

class Counter : public rtl::TObject {
public:
    int changes = 0;
    void Change(rtl::TObject*) { ++changes; }
};

} // namespace

TEST(ThvMaterial, ANewMaterialStoresItsAlwaysStoredProperties)
{
    RegisterTestClasses3D();
    rtl::TOwned<THolder3D> holder(new THolder3D(nullptr));
    const std::string text = ObjectText(*holder);
    for (const char* line : { "Material.Diffuse = '#FF707070'", "Material.Ambient = '#FF303030'",
             "Material.BitmapMode = hvTexModulate", "Material.BitmapTileX =", "Material.BitmapTileY =",
             "Material.BitmapRect.left =", "Material.BitmapRect.bottom =", "Material.FillMode = hvSolid" }) {
        SCOPED_TRACE(line);
        EXPECT_NE(text.find(line), std::string::npos) << text;
    }
    for (const char* absent : { "Lighting", "ShadeMode", "Material.Bitmap =" }) {
        SCOPED_TRACE(absent);
        EXPECT_EQ(text.find(absent), std::string::npos) << text;
    }
}

TEST(ThvMaterial, SettersNotifyOnlyWhenTheValueChanges)
{
    struct Case {
        const char* name;
        std::function<void(ThvMaterial&)> set;
        int changes;
    };
    ThvBitmap texture(1, 1);
    const Case cases[] = {
        { "Diffuse in lower-case hex is the same colour", [](ThvMaterial& m) { m.SetDiffuse("#ff707070"); },
            0 },
        { "Diffuse with $ is the same colour", [](ThvMaterial& m) { m.SetDiffuse("$FF707070"); }, 0 },
        { "Diffuse as a signed decimal is the same colour", [](ThvMaterial& m) { m.SetDiffuse("-9408400"); },
            0 },
        { "a new Diffuse", [](ThvMaterial& m) { m.SetDiffuse("#FFFF0000"); }, 1 },
        { "the raw diffuse colour", [](ThvMaterial& m) { m.SetDiffuseColor(0xFF707070); }, 0 },
        { "a new raw diffuse colour", [](ThvMaterial& m) { m.SetDiffuseColor(0x80707070); }, 1 },
        { "Ambient unchanged", [](ThvMaterial& m) { m.SetAmbient("#FF303030"); }, 0 },
        { "a new Ambient", [](ThvMaterial& m) { m.SetAmbient("#FF000000"); }, 1 },
        { "Lighting unchanged", [](ThvMaterial& m) { m.SetLighting(true); }, 0 },
        { "Lighting off", [](ThvMaterial& m) { m.SetLighting(false); }, 1 },
        { "Bitmap empty again", [](ThvMaterial& m) { m.SetBitmap(""); }, 0 },
        { "Bitmap differing in case only",
            [](ThvMaterial& m) {
                m.SetBitmap("Wood");
                m.SetBitmap("wood");
            },
            2 },
        { "BitmapMode unchanged", [](ThvMaterial& m) { m.SetBitmapMode(hvTexModulate); }, 0 },
        { "BitmapMode replace", [](ThvMaterial& m) { m.SetBitmapMode(hvTexReplace); }, 1 },
        { "FillMode wireframe", [](ThvMaterial& m) { m.SetFillMode(hvWireframe); }, 1 },
        { "ShadeMode unchanged", [](ThvMaterial& m) { m.SetShadeMode(hvGouraud); }, 0 },
        { "ShadeMode flat", [](ThvMaterial& m) { m.SetShadeMode(hvFlat); }, 1 },
        { "Texture set twice",
            [&texture](ThvMaterial& m) {
                m.SetTexture(&texture);
                m.SetTexture(&texture);
            },
            1 },
        { "a field of BitmapRect notifies nobody", [](ThvMaterial& m) { m.GetBitmapRect()->Setright(0.5f); },
            0 },
        { "replacing BitmapRect notifies nobody",
            [](ThvMaterial& m) {
                ThvBitmapRect r;
                r.Setleft(0.25f);
                m.SetBitmapRect(&r);
            },
            0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ThvMaterial material;
        Counter counter;
        material.OnChanged.Bind<&Counter::Change>(&counter);
        c.set(material);
        EXPECT_EQ(counter.changes, c.changes);
    }
}

TEST(ThvMaterial, TilesAreClampedAndComparedBeforeClamping)
{
    struct Case {
        float start; // set first, unobserved
        float value;
        float stored;
        int changes;
    };
    const Case cases[] = {
        { 1, 1, 1, 0 },
        { 1, 0, 0.01f, 1 },
        { 1, 100, 10, 1 },
        { 20, 20, 10, 1 }, // 10 is stored, so 20 differs again
        { 10, 10, 10, 0 },
        { 1, 0.01f, 0.01f, 1 },
        { 1, -3, 0.01f, 1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        for (bool x : { true, false }) {
            ThvMaterial material;
            (x ? std::mem_fn(&ThvMaterial::SetBitmapTileX) : std::mem_fn(&ThvMaterial::SetBitmapTileY))(
                material, c.start);
            Counter counter;
            material.OnChanged.Bind<&Counter::Change>(&counter);
            (x ? std::mem_fn(&ThvMaterial::SetBitmapTileX) : std::mem_fn(&ThvMaterial::SetBitmapTileY))(
                material, c.value);
            EXPECT_EQ(x ? material.GetBitmapTileX() : material.GetBitmapTileY(), c.stored);
            EXPECT_EQ(counter.changes, c.changes);
        }
    }
}

TEST(ThvMaterial, AssignCopiesEverythingButTheTextureAndNotifiesOnce)
{
    ThvBitmap texture(1, 1);
    ThvMaterial source;
    source.SetDiffuse("#80112233");
    source.SetAmbient("#FF445566");
    source.SetBitmap("Wood");
    source.SetBitmapTileX(2);
    source.SetBitmapTileY(3);
    source.GetBitmapRect()->Setright(0.5f);
    source.SetLighting(false);
    source.SetBitmapMode(hvTexReplace);
    source.SetShadeMode(hvFlat);
    source.SetFillMode(hvWireframe);
    source.SetTexture(&texture);

    ThvMaterial target;
    Counter counter;
    target.OnChanged.Bind<&Counter::Change>(&counter);
    target.Assign(source);
    EXPECT_EQ(counter.changes, 1);
    EXPECT_EQ(target.GetDiffuse(), "#80112233");
    EXPECT_EQ(target.GetAmbient(), "#FF445566");
    EXPECT_EQ(target.GetBitmap(), "Wood");
    EXPECT_EQ(target.GetBitmapTileX(), 2);
    EXPECT_EQ(target.GetBitmapTileY(), 3);
    EXPECT_EQ(target.GetBitmapRect()->Getright(), 0.5f);
    EXPECT_FALSE(target.GetLighting());
    EXPECT_EQ(target.GetBitmapMode(), hvTexReplace);
    EXPECT_EQ(target.GetShadeMode(), hvFlat);
    EXPECT_EQ(target.GetFillMode(), hvWireframe);
    EXPECT_EQ(target.GetTextureBitmap(), nullptr);

    // Unrelated sources are refused; a material copied to itself still notifies once.
    ThvFont font;
    EXPECT_THROW(target.Assign(font), rtl::ConvertError);
    target.Assign(target);
    EXPECT_EQ(counter.changes, 2);
}

TEST(ThvMaterial, TextureIsLookedUpAtEveryUse)
{
    RegisterTestClasses3D();
    rtl::TOwned<rtl::TComponent> form(new rtl::TComponent(nullptr));
    ThvMaterial material;
    material.SetBitmap("Grain");
    EXPECT_EQ(material.GetTexture(), nullptr) << "no resource of that name yet";

    auto* resource = new ThvBitmapObject(form.get());
    resource->SetResourceName("grain");
    EXPECT_EQ(material.GetTexture(), resource->GetBitmap());

    // A direct texture goes before the name.
    ThvBitmap direct(1, 1);
    material.SetTexture(&direct);
    EXPECT_EQ(material.GetTexture(), &direct);
    material.SetTexture(nullptr);

    resource->Free();
    EXPECT_EQ(material.GetTexture(), nullptr);
}

TEST(ThvMaterial, StoredPropertiesReadBack)
{
    RegisterTestClasses3D();
    rtl::TOwned<THolder3D> holder(new THolder3D(nullptr));
    ThvMaterial& m = *holder->GetMaterial();
    m.SetDiffuse("#80FF0000");
    m.SetLighting(false);
    m.SetBitmap("Stone");
    m.SetBitmapTileX(0.5f);
    m.GetBitmapRect()->Setbottom(0.75f);
    m.SetShadeMode(hvFlat);
    m.SetBitmapMode(hvTexReplace);
    const std::string text = ObjectText(*holder);
    rtl::TOwned<THolder3D> copy(new THolder3D(nullptr));
    copy->LoadFromStream(*TextToBinary(text));
    const ThvMaterial& c = *copy->GetMaterial();
    EXPECT_EQ(c.GetDiffuseColor(), 0x80FF0000u);
    EXPECT_FALSE(c.GetLighting());
    EXPECT_EQ(c.GetBitmap(), "Stone");
    EXPECT_EQ(c.GetBitmapTileX(), 0.5f);
    EXPECT_EQ(c.GetBitmapRect()->Getbottom(), 0.75f);
    EXPECT_EQ(c.GetShadeMode(), hvFlat);
    EXPECT_EQ(c.GetBitmapMode(), hvTexReplace);
}

TEST(ThvMaterial, LightingIsStoredWhenItDiffersFromTheOwnersDefault)
{
    RegisterTestClasses3D();
    struct Case {
        const char* name;
        bool ownerDefault;
        bool lighting;
        bool stored;
    };
    const Case cases[] = {
        { "lit by default, lit", true, true, false },
        { "lit by default, unlit", true, false, true },
        { "unlit by default, unlit", false, false, false },
        { "unlit by default, switched on", false, true, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        rtl::TOwned<THolder3D> holder(new THolder3D(nullptr));
        holder->GetMaterial()->SetLightingDefault(c.ownerDefault);
        holder->GetMaterial()->SetLighting(c.lighting);
        const std::string text = ObjectText(*holder);
        EXPECT_EQ(text.find("Material.Lighting") != std::string::npos, c.stored) << text;
        rtl::TOwned<THolder3D> copy(new THolder3D(nullptr));
        copy->GetMaterial()->SetLightingDefault(c.ownerDefault);
        copy->GetMaterial()->SetLighting(c.ownerDefault);
        copy->LoadFromStream(*TextToBinary(text));
        EXPECT_EQ(copy->GetMaterial()->GetLighting(), c.lighting);
    }
}

// ---- ThvFont -------------------------------------------------------------------------------

TEST(ThvFont, StoresFamilyAndSizeOnlyWhenChangedAndStyleAlways)
{
    RegisterTestClasses3D();
    rtl::TOwned<THolder3D> holder(new THolder3D(nullptr));
    std::string text = ObjectText(*holder);
    EXPECT_EQ(text.find("Font.Family"), std::string::npos) << text;
    EXPECT_EQ(text.find("Font.Size"), std::string::npos) << text;
    EXPECT_NE(text.find("Font.Style = hvFontRegular"), std::string::npos) << text;

    holder->GetFont()->SetFamily("DejaVu Sans");
    holder->GetFont()->SetSize(11.5f);
    holder->GetFont()->SetStyle(hvFontBoldItalic);
    text = ObjectText(*holder);
    rtl::TOwned<THolder3D> copy(new THolder3D(nullptr));
    copy->LoadFromStream(*TextToBinary(text));
    EXPECT_EQ(copy->GetFont()->GetFamily(), "DejaVu Sans");
    EXPECT_EQ(copy->GetFont()->GetSize(), 11.5f);
    EXPECT_EQ(copy->GetFont()->GetStyle(), hvFontBoldItalic);
}

TEST(ThvFont, SettersAndAssignNotify)
{
    ThvFont font;
    Counter counter;
    font.OnChanged.Bind<&Counter::Change>(&counter);
    font.SetFamily("Tahoma");
    font.SetSize(12);
    font.SetStyle(hvFontRegular);
    EXPECT_EQ(counter.changes, 0);
    font.SetFamily("tahoma"); // compared exactly
    font.SetSize(13);
    font.SetStyle(hvFontBold);
    EXPECT_EQ(counter.changes, 3);

    ThvFont copy;
    Counter copyCounter;
    copy.OnChanged.Bind<&Counter::Change>(&copyCounter);
    copy.Assign(font);
    EXPECT_EQ(copyCounter.changes, 1);
    EXPECT_EQ(copy.GetFamily(), "tahoma");
    EXPECT_EQ(copy.GetSize(), 13);
    EXPECT_EQ(copy.GetStyle(), hvFontBold);
    ThvMaterial unrelated;
    EXPECT_THROW(copy.Assign(unrelated), rtl::ConvertError);
}

TEST(ThvFont, CopiesToAndFrom2DFonts)
{
    struct Case {
        TwzFontStyle style2D;
        ThvFontStyle expected; // after copying into a 3D font that was italic
    };
    const Case cases[] = {
        { wzFontRegular, hvFontRegular },
        { wzFontBold, hvFontBold },
        { wzFontItalic, hvFontItalic },
        { wzFontBoldItalic, hvFontBoldItalic },
        { wzFontUnderline, hvFontItalic }, // no 3D value: Style stays
        { wzFontStrikeout, hvFontItalic },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(rtl::EnumName(c.style2D));
        TwzFont font2D;
        font2D.SetFamily("Liberation Sans");
        font2D.SetSize(20.5f);
        font2D.SetStyle(c.style2D);
        ThvFont font;
        font.SetStyle(hvFontItalic);
        Counter counter;
        font.OnChanged.Bind<&Counter::Change>(&counter);
        font.Assign(font2D);
        EXPECT_EQ(font.GetFamily(), "Liberation Sans");
        EXPECT_EQ(font.GetSize(), 20.5f);
        EXPECT_EQ(font.GetStyle(), c.expected);
        EXPECT_EQ(counter.changes, 1);
    }

    ThvFont font;
    font.SetFamily("DejaVu Sans");
    font.SetSize(9);
    font.SetStyle(hvFontBoldItalic);
    TwzFont font2D;
    font2D.Assign(font);
    EXPECT_EQ(font2D.GetFamily(), "DejaVu Sans");
    EXPECT_EQ(font2D.GetSize(), 9);
    EXPECT_EQ(font2D.GetStyle(), wzFontBoldItalic);
}
