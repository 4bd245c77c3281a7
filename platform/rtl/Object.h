#pragma once

#include "platform/rtl/Forward.h"

#include <string_view>

// The root of the component model: every object of the system that has a class name,
// published properties or a stored form derives from TObject, through TPersistent.

/// First line of every class of the component model:
///     class TwzButton : public TwzCustomButton {
///         RTL_CLASS(TwzButton, TwzCustomButton)
///     public:
/// declares `Inherited`, `StaticClass()` and the `ClassInfo()` override, then continues
/// with private access. The class's .cpp defines them with RTL_IMPLEMENT_CLASS
/// (platform/rtl/ClassInfo.h).
#define RTL_CLASS(Cls, Base)                                                                                 \
public:                                                                                                      \
    using Inherited = Base;                                                                                  \
    static const ::rtl::TClassInfo& StaticClass();                                                           \
    const ::rtl::TClassInfo& ClassInfo() const override                                                      \
    {                                                                                                        \
        return StaticClass();                                                                                \
    }                                                                                                        \
                                                                                                             \
private:

namespace rtl {

/// Root class. Objects are not copyable: persistent values copy themselves with Assign.
/// An object is destroyed with Free(), which runs BeforeDestruction() while the whole
/// object still exists; components can die no other way.
class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject();

    static const TClassInfo& StaticClass();
    /// The class of the object's dynamic type (its name is the one streams carry).
    virtual const TClassInfo& ClassInfo() const;
    [[nodiscard]] std::string_view ClassName() const;
    /// True when the object's class is `cls` or derives from it.
    [[nodiscard]] bool InheritsFrom(const TClassInfo& cls) const;

    /// Runs BeforeDestruction(), then deletes the object. Only for objects created with
    /// new; a value object held as a member dies with its holder.
    virtual void Free();

    /// True for components: the objects a dispatch holds (Dispatch.h).
    [[nodiscard]] bool IsComponent() const { return m_isComponent; }

protected:
    /// Runs at the start of Free() while the whole object exists; overrides that touch
    /// other objects or call virtuals do their work here, not in the destructor.
    virtual void BeforeDestruction() { }

private:
    friend struct ObjectIdAccess;
    friend struct ObjectIdMarker;
    friend class TComponent;
    bool m_hasObjectId = false; // registered in the id table; forgotten on destruction
    bool m_isComponent = false;
};

/// Frees `object` (when not null) and sets the pointer to null first.
template <class T> void FreeAndNil(T*& object)
{
    T* p = object;
    object = nullptr;
    if (p)
        p->Free();
}

/// Base of every object with a stored form: it copies itself from another persistent with
/// Assign and adds stored values of its own in DefineProperties.
class TPersistent : public TObject {
    RTL_CLASS(TPersistent, TObject)
public:
    TPersistent() = default;

    /// Copies `source` into this object. The base asks `source` to do it (AssignTo), and
    /// its base raises ConvertError "Cannot assign a <source class> to a <this class>".
    virtual void Assign(const TPersistent& source);

    /// Declares stored values that have no published property ("Rect", "Point", binary
    /// data) to a reader or writer. The base declares none.
    virtual void DefineProperties(TFiler& filer);

protected:
    /// Copies this object into `dest`; the fallback of dest's Assign. The base raises the
    /// assignment error.
    virtual void AssignTo(TPersistent& dest) const;
};

} // namespace rtl
