#pragma once

// Forward declarations of the window layer, so headers name these types without pulling in
// their definitions.
namespace platform::ui {

struct Point;
struct Rect;
struct DropData;
struct HintInfo;
struct FrameView;
struct FormOptions;
class ShiftState;
class Task;
class Lifetime;
class LifetimeWatch;
class Application;
class Form;
class FormEvents;
class SceneHost;
class SceneHostEvents;
class PaintContext;
class Clipboard;
class DragSession;
class CoalescedCall;
class PopupMenuComponent;
class MenuItemComponent;

} // namespace platform::ui
