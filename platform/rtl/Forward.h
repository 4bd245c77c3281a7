#pragma once

// Forward declarations of the component model, so headers name these types without
// pulling in their definitions.
namespace rtl {

class TObject;
class TPersistent;
class TComponent;
class TCollection;
class TCollectionItem;
class TFiler;
class TReader;
class TWriter;
class TStream;
class TEventBase;
template <class... A> class TEvent;
template <class E> class TSet;
template <class T> class Watch;

struct TClassInfo;
struct TPropInfo;
struct TEventInfo;
struct TMethodInfo;
struct TEnumInfo;

} // namespace rtl
