#include "ui2d/TwzPathShape.h"

#include "graphics/TwzPathData.h"
#include "platform/rtl/ClassInfo.h"
#include "ui2d/TwzImage.h"
#include "ui2d/TwzShapeProps.h"

namespace {

constexpr rtl::TPropInfo kPathProps[] = {
    RTL_PROP_AS(TwzPath, "Data", GetPathData, SetPathData, Class, rtl::kNoDefault),
    TWZ_SHAPE_FILL_ROW(TwzPath),
    TWZ_SHAPE_STROKE_ROWS(TwzPath),
    RTL_PROP(TwzPath, WrapMode, Enum, wzPathStretch),
};

} // namespace

RTL_IMPLEMENT_CLASS(TwzPath, .props = kPathProps)

TwzPath::TwzPath(rtl::TComponent* owner)
    : TwzShape(owner)
    , m_data(std::make_unique<TwzPathData>())
{
    m_data->OnChanged.Bind<&TwzPath::DataChanged>(this);
}

TwzPath::~TwzPath() = default;

void TwzPath::SetPathData(TwzPathData* value)
{
    if (value)
        m_data->Assign(*value);
}

void TwzPath::SetWrapMode(TwzPathWrap value)
{
    if (value == m_wrapMode)
        return;
    m_wrapMode = value;
    InvalidateObject();
}

void TwzPath::DataChanged(rtl::TObject*)
{
    UpdateEffects();
    InvalidateObject();
}

TwzPathData& TwzPath::DrawnPath()
{
    TwzPathData* resource = m_data->GetResourcePath();
    return resource ? *resource : *m_data;
}

void TwzPath::Paint()
{
    TwzCanvas* canvas = GetCanvas();
    if (!canvas)
        return;
    const TwzPathData& path = DrawnPath();
    if (!path.IsEmpty()) {
        const float opacity = GetAbsoluteOpacity();
        const TwzRect s = GetShapeRect();
        const TwzRect p = path.GetBounds();
        auto draw = [&](const TwzRect& r) {
            canvas->FillPath(path, r, opacity);
            canvas->DrawPath(path, r, opacity);
        };
        switch (m_wrapMode) {
        case wzPathOriginal: {
            const int32_t state = canvas->SaveState();
            canvas->IntersectClipRect(GetLocalRect());
            TwzRect r = p;
            RectOffset(r, s.Left, s.Top);
            draw(r);
            canvas->RestoreState(state);
            break;
        }
        case wzPathFit: {
            TwzRect r = p;
            RectFit(r, s);
            draw(r);
            break;
        }
        case wzPathStretch:
            draw(s);
            break;
        case wzPathTile: {
            const int32_t state = canvas->SaveState();
            canvas->IntersectClipRect(GetLocalRect());
            const int32_t columns = ui2d::TileCount(GetWidth(), RectWidth(p));
            const int32_t rows = ui2d::TileCount(GetHeight(), RectHeight(p));
            for (int32_t i = 0; i < columns; ++i) {
                for (int32_t j = 0; j < rows; ++j) {
                    TwzRect r = p;
                    RectOffset(
                        r, s.Left + i * (RectWidth(p) + 2 * s.Left), s.Top + j * (RectHeight(p) + 2 * s.Top));
                    draw(r);
                }
            }
            canvas->RestoreState(state);
            break;
        }
        }
    }
    if (ui2d::ShowsDesignFrame(*this))
        ui2d::DrawDesignFrame(*this, *canvas);
}

bool TwzPath::ContainsLocal(const TwzPoint& local)
{
    TwzCanvas* canvas = GetCanvas();
    const TwzPathData& path = DrawnPath();
    if (ui2d::ShowsDesignFrame(*this) || !canvas || path.Count() <= 1)
        return local.X > 0 && local.X < GetWidth() && local.Y > 0 && local.Y < GetHeight();
    return canvas->PtInPath(local, GetShapeRect(), path);
}

bool TwzPath::PointInObject(float x, float y)
{
    return ContainsLocal(AbsoluteToLocal({ x, y }));
}
