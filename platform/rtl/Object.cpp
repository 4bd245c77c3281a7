#include "platform/rtl/Object.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/ObjectIds.h"

#include <string>

namespace rtl {

TObject::~TObject()
{
    if (m_hasObjectId)
        ObjectIdAccess::Forget(*this);
}

const TClassInfo& TObject::StaticClass()
{
    static const TClassInfo info { .name = "TObject" };
    return info;
}

const TClassInfo& TObject::ClassInfo() const
{
    return StaticClass();
}

std::string_view TObject::ClassName() const
{
    return ClassInfo().name;
}

bool TObject::InheritsFrom(const TClassInfo& cls) const
{
    return ClassInfo().InheritsFrom(cls);
}

void TObject::Free()
{
    BeforeDestruction();
    delete this;
}

RTL_IMPLEMENT_CLASS(TPersistent)

void TPersistent::Assign(const TPersistent& source)
{
    source.AssignTo(*this);
}

void TPersistent::DefineProperties(TFiler&) { }

void TPersistent::AssignTo(TPersistent& dest) const
{
    throw ConvertError(
        "Cannot assign a " + std::string(ClassName()) + " to a " + std::string(dest.ClassName()));
}

} // namespace rtl
