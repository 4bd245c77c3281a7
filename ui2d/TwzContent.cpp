#include "ui2d/TwzContent.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/ScopedAssign.h"

RTL_IMPLEMENT_CLASS(TwzContent)

TwzContent::TwzContent(rtl::TComponent* owner)
    : TwzVisualObject(owner)
{ }

TwzContent::~TwzContent() = default;

bool TwzContent::IsContent() const
{
    return true;
}

void TwzContent::RealignChildren()
{
    TwzObject* parent = GetParent();
    if (!parent || parent->IsLoading())
        return;
    Inherited::RealignChildren();
    if (m_realigningParent)
        return;
    TwzVisualObject* visualParent = parent->AsVisual();
    if (!visualParent)
        return;
    rtl::ScopedAssign realigning(this, m_realigningParent, true);
    visualParent->RealignChildren();
}
