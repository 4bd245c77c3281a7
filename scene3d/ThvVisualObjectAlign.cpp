// Docking of the children of a visual object: the 3D pass by Align in the object's own box,
// and the pixel pass by LayerAlign for screen layers.

#include "scene3d/ThvVisualObject.h"

#include "scene3d/ThvBounds.h"
#include "scene3d/ThvPosition.h"
#include "scene3d/ThvScene.h"

#include "platform/rtl/ScopedAssign.h"

#include <algorithm>
#include <vector>

namespace {

// The order in which the kinds take their share of the box. hvContents children are placed
// twice (the second placing finds them where the first left them); hvVertCenter and
// hvHorzCenter children are never moved.
constexpr ThvAlign kAlignOrder[] = {
    hvScale,
    hvContents,
    hvMostLeft,
    hvMostRight,
    hvTop,
    hvBottom,
    hvLeft,
    hvRight,
    hvClient,
    hvHorizontal,
    hvVertical,
    hvContents,
    hvCenter,
    hvTopLeft,
    hvTopRight,
    hvBottomLeft,
    hvBottomRight,
};

constexpr ThvLayerAlign kLayerOrder[] = {
    hvLayerMostTop,
    hvLayerMostBottom,
    hvLayerMostLeft,
    hvLayerMostRight,
    hvLayerTop,
    hvLayerBottom,
    hvLayerLeft,
    hvLayerRight,
    hvLayerClient,
    hvLayerCenter,
    hvLayerContents,
};

struct Box3 {
    float x1, y1, z1, x2, y2, z2;
};

struct Padding {
    float left, top, right, bottom, znear, zfar;
};

Padding PaddingOf(const ThvVisualObject& object)
{
    const ThvBounds& p = *object.GetPadding();
    return { p.Getleft(), p.Gettop(), p.Getright(), p.Getbottom(), p.Getznear(), p.Getzfar() };
}

bool IsCorner(ThvAlign a)
{
    return a == hvTopLeft || a == hvTopRight || a == hvBottomLeft || a == hvBottomRight;
}

bool TakesWidthFromChild(ThvAlign a)
{
    return IsCorner(a) || a == hvLeft || a == hvRight || a == hvMostLeft || a == hvMostRight
        || a == hvVertical;
}

bool TakesHeightFromChild(ThvAlign a)
{
    return IsCorner(a) || a == hvTop || a == hvBottom || a == hvHorizontal;
}

/// Stable ascending order by `key`; with `descending`, the greatest first and, among equal
/// keys, the later child first.
template <class Key> void SortChildren(std::vector<ThvVisualObject*>& list, bool descending, Key key)
{
    if (descending) {
        std::reverse(list.begin(), list.end());
        std::stable_sort(list.begin(), list.end(),
            [&](ThvVisualObject* a, ThvVisualObject* b) { return key(a) > key(b); });
    } else {
        std::stable_sort(list.begin(), list.end(),
            [&](ThvVisualObject* a, ThvVisualObject* b) { return key(a) < key(b); });
    }
}

} // namespace

void ThvVisualObject::Realign()
{
    if (IsDestroying() || m_aligning)
        return;
    if ((m_width > -0.2f && m_width < 0.2f) || (m_height > -0.2f && m_height < 0.2f))
        return;
    if (IsLoading()) {
        m_prevWidth = m_width;
        m_prevHeight = m_height;
        m_prevDepth = m_depth;
        m_laidOut = true;
        return;
    }
    if (GetChildCount() == 0)
        return;

    rtl::ScopedAssign aligning(this, m_aligning, true);

    bool any3D = false;
    bool anyLayer = false;
    for (ThvObject* child : Children()) {
        if (auto* visual = child->AsVisual()) {
            any3D = any3D || visual->m_align != hvNone;
            anyLayer = anyLayer || visual->GetLayerAlign() != hvLayerNone;
        }
    }
    if (anyLayer)
        AlignLayers();
    if (any3D) {
        AlignChildren3D();
        m_prevWidth = m_width;
        m_prevHeight = m_height;
        m_prevDepth = m_depth;
        m_laidOut = true;
        Repaint();
    }
}

void ThvVisualObject::AlignChildren3D()
{
    const bool design = InDesignMode();
    Box3 b { -m_width / 2, -m_height / 2, -m_depth / 2, m_width / 2, m_height / 2, m_depth / 2 };

    for (const ThvAlign kind : kAlignOrder) {
        std::vector<ThvVisualObject*> list;
        for (ThvObject* child : Children()) {
            auto* visual = child->AsVisual();
            if (visual && visual->m_align == kind && (visual->m_visible || design))
                list.push_back(visual);
        }
        if (list.empty())
            continue;
        switch (kind) {
        case hvTop:
            SortChildren(list, false, [](ThvVisualObject* c) { return c->m_position->GetY(); });
            break;
        case hvLeft:
        case hvMostLeft:
            SortChildren(list, false, [](ThvVisualObject* c) { return c->m_position->GetX(); });
            break;
        case hvRight:
        case hvMostRight:
            SortChildren(list, true, [](ThvVisualObject* c) { return c->m_position->GetX() + c->m_width; });
            break;
        case hvBottom:
            SortChildren(list, true, [](ThvVisualObject* c) { return c->m_position->GetY() + c->m_height; });
            break;
        default:
            break;
        }

        for (ThvVisualObject* c : list) {
            if (!c->m_visible)
                continue;
            const Padding p = PaddingOf(*c);
            const float cw = c->m_width;
            const float ch = c->m_height;
            const float cd = c->m_depth;

            float w = b.x2 - b.x1;
            if (TakesWidthFromChild(kind) || w < 0)
                w = cw + p.left + p.right;
            float h = b.y2 - b.y1;
            if (TakesHeightFromChild(kind) || h < 0)
                h = ch + p.top + p.bottom;
            float d = b.z2 - b.z1;
            if (d < 0)
                d = cd + p.znear + p.zfar;

            if (kind == hvScale) {
                if (m_prevWidth > 0 && m_prevHeight > 0 && m_prevDepth > 0 && m_width > 0 && m_height > 0
                    && m_depth > 0) {
                    const float sx = m_width / m_prevWidth;
                    const float sy = m_height / m_prevHeight;
                    const float sz = m_depth / m_prevDepth;
                    const ThvPoint pos = c->m_position->GetPoint();
                    c->m_position->SetPointNoChange({ pos.X * sx, pos.Y * sy, pos.Z * sz });
                    c->SetSizeFields(cw * sx, ch * sy, cd * sz);
                    c->MatrixChanged();
                    c->Realign();
                }
                continue;
            }
            if (kind == hvContents) {
                // The whole box of this object, whatever the other kinds took of it.
                c->m_position->SetPointNoChange(
                    { (p.left - p.right) / 2, (p.top - p.bottom) / 2, (p.znear - p.zfar) / 2 });
                c->SetSizeFields(
                    m_width - p.left - p.right, m_height - p.top - p.bottom, m_depth - p.znear - p.zfar);
                c->MatrixChanged();
                c->Realign();
                continue;
            }
            if (IsCorner(kind)) {
                // Anchored to a corner: follows it by half of this object's growth since the
                // last layout; there is nothing to follow before the first one.
                if (!m_laidOut)
                    continue;
                const float dw = m_width - m_prevWidth;
                const float dh = m_height - m_prevHeight;
                const bool left = kind == hvTopLeft || kind == hvBottomLeft;
                const bool top = kind == hvTopLeft || kind == hvTopRight;
                c->m_position->SetX(c->m_position->GetX() + (left ? -dw : dw) / 2);
                c->m_position->SetY(c->m_position->GetY() + (top ? -dh : dh) / 2);
                continue;
            }

            // The child's size after placing: what the slot leaves inside its padding. The
            // base point is taken from that size, so a stretched child is centred in its slot
            // at once.
            float fw = w - p.left - p.right;
            float fh = h - p.top - p.bottom;
            float fd = d - p.znear - p.zfar;
            float cx = b.x1 + fw / 2;
            float cy = b.y1 + fh / 2;
            float cz = b.z1 + fd / 2;
            switch (kind) {
            case hvTop:
                b.y1 += h;
                break;
            case hvBottom:
                b.y2 -= h;
                cy = b.y2 + fh / 2;
                break;
            case hvLeft:
            case hvMostLeft:
                b.x1 += w;
                break;
            case hvRight:
            case hvMostRight:
                b.x2 -= w;
                cx = b.x2 + fw / 2;
                break;
            case hvCenter:
                // Centred in the remaining box, its padding around it.
                cx = b.x1 + (w - (cw + p.left + p.right)) / 2 + cw / 2;
                cy = b.y1 + (h - (ch + p.top + p.bottom)) / 2 + ch / 2;
                cz = b.z1 + (d - (cd + p.znear + p.zfar)) / 2 + cd / 2;
                fw = cw;
                fh = ch;
                fd = cd;
                break;
            case hvVertical:
                // Stretched along Y only; keeps its place along X.
                cx = c->m_position->GetX() - p.left;
                break;
            case hvHorizontal:
                cy = c->m_position->GetY() - p.top;
                break;
            default:
                break;
            }
            c->m_position->SetPointNoChange({ cx + p.left, cy + p.top, cz + p.znear });
            if (fw != cw || fh != ch || fd != cd) {
                c->SetSizeFields(fw, fh, fd);
                c->Realign();
            }
            c->MatrixChanged();

            // A child that did not take its slot's size gives the difference back.
            const float dw = w - (c->m_width + p.left + p.right);
            const float dh = h - (c->m_height + p.top + p.bottom);
            const float dd = d - (c->m_depth + p.znear + p.zfar);
            switch (kind) {
            case hvTop:
                b.y1 -= dh;
                break;
            case hvBottom:
                b.y2 += dh;
                break;
            case hvLeft:
                b.x1 -= dw;
                break;
            case hvRight:
                b.x2 += dw;
                break;
            case hvClient:
                b.x2 += dw;
                b.y2 += dh;
                b.z2 += dd;
                break;
            default:
                break;
            }
        }
    }
}

void ThvVisualObject::AlignLayers()
{
    ThvScene* scene = GetScene();
    if (!scene || GetChildCount() == 0)
        return;
    const bool design = InDesignMode();
    float left = 0, top = 0, right = static_cast<float>(scene->GetWidth()),
          bottom = static_cast<float>(scene->GetHeight());
    if (IsLayer()) {
        left = -m_width / 2;
        top = -m_height / 2;
        right = m_width / 2;
        bottom = m_height / 2;
    }
    const float fullLeft = left, fullTop = top, fullWidth = right - left, fullHeight = bottom - top;

    for (const ThvLayerAlign kind : kLayerOrder) {
        std::vector<ThvVisualObject*> list;
        for (ThvObject* child : Children()) {
            auto* visual = child->AsVisual();
            if (visual && visual->GetLayerAlign() == kind && (visual->m_visible || design)
                && visual->m_projection == hvProjectionScreen)
                list.push_back(visual);
        }
        if (list.empty())
            continue;
        const bool topKind = kind == hvLayerTop || kind == hvLayerMostTop;
        const bool bottomKind = kind == hvLayerBottom || kind == hvLayerMostBottom;
        const bool leftKind = kind == hvLayerLeft || kind == hvLayerMostLeft;
        const bool rightKind = kind == hvLayerRight || kind == hvLayerMostRight;
        if (topKind)
            SortChildren(
                list, false, [](ThvVisualObject* c) { return c->m_position->GetY() - c->m_height / 2; });
        else if (leftKind)
            SortChildren(
                list, false, [](ThvVisualObject* c) { return c->m_position->GetX() - c->m_width / 2; });
        else if (rightKind)
            SortChildren(
                list, true, [](ThvVisualObject* c) { return c->m_position->GetX() + c->m_width / 2; });
        else if (bottomKind)
            SortChildren(
                list, true, [](ThvVisualObject* c) { return c->m_position->GetY() + c->m_height / 2; });

        for (ThvVisualObject* c : list) {
            if (!c->m_visible && !design)
                continue;
            float w = right - left;
            if (leftKind || rightKind || w < 0)
                w = c->m_width;
            float h = bottom - top;
            if (topKind || bottomKind || h < 0)
                h = c->m_height;
            float x = left;
            float y = top;
            if (topKind) {
                top += h;
            } else if (leftKind) {
                left += w;
            } else if (rightKind) {
                right -= w;
                x = right;
            } else if (bottomKind) {
                bottom -= h;
                y = bottom;
            } else if (kind == hvLayerCenter) {
                x = left + (w - c->m_width) / 2;
                y = top + (h - c->m_height) / 2;
                w = c->m_width;
                h = c->m_height;
            } else if (kind == hvLayerContents) {
                w = fullWidth;
                h = fullHeight;
                x = fullLeft;
                y = fullTop;
            }
            if (w != c->m_width || h != c->m_height) {
                c->SetWidth(w);
                c->SetHeight(h);
            }
            const ThvPoint pos = c->m_position->GetPoint();
            c->m_position->SetPointNoChange({ x + w / 2, y + h / 2, pos.Z });
            c->MatrixChanged();

            // A layer may refuse a size: the box gets the difference back.
            if (topKind)
                top -= h - c->m_height;
            else if (leftKind)
                left -= w - c->m_width;
            else if (rightKind)
                right += w - c->m_width;
            else if (bottomKind)
                bottom += h - c->m_height;
            else if (kind == hvLayerClient) {
                right += w - c->m_width;
                bottom += h - c->m_height;
            }
        }
    }
}
