#pragma once

#include "platform/ui/InputRouter.h"
#include "platform/ui/Window.h"

#include <string>
#include <vector>

// Synthesised window-system input for tests of the GTK back end under Xvfb. Each Send call
// builds a GdkEvent and hands it to GTK's dispatch, so it travels the real path: GTK's grab
// and focus handling, then the host's signal handlers. Hosts and forms must come from the GTK
// application (StartNativeApplication).
namespace platform::ui::test {

enum class Crossing : uint8_t { Normal, Grab, Ungrab };

void SendButton(SceneHost& host, RawButtonEvent::Type type, uint32_t button, double x, double y,
    const RawModifiers& modifiers = {}, uint32_t time = 0);
/// A left press at a screen point over no window of this program (the desktop or another
/// program's window), as the window system reports it while a popup grab is held.
void SendOutsidePress(Point screen);
void SendMotion(SceneHost& host, double x, double y, const RawModifiers& modifiers = {});
void SendScroll(
    SceneHost& host, RawScrollEvent::Direction direction, double deltaY = 0, double x = 1, double y = 1);
void SendLeave(SceneHost& host, Crossing mode = Crossing::Normal, bool intoChild = false);
/// A key by X name ("Return", "a") to the focused widget of the host's form.
void SendKey(SceneHost& host, bool press, const std::string& keyName, const RawModifiers& modifiers = {});
/// Keyboard focus arriving at or leaving the form, as the window manager would give it.
void SendFocus(Form& form, bool in);
void SendGrabBroken(SceneHost& host);
/// The window manager's close button.
void SendCloseRequest(Form& form);

/// Waits until the X server has handled every request sent so far.
void Sync();
/// The host's pixels as the X server has them (0xFFRRGGBB), row by row.
[[nodiscard]] std::vector<uint32_t> ReadPixels(SceneHost& host, const Rect& rect);
/// Number of "draw" signals the host has handled.
[[nodiscard]] int PaintCount(SceneHost& host);
/// Time the host's "draw" handlers took, all paints together, in microseconds.
[[nodiscard]] int64_t PaintMicroseconds(SceneHost& host);
/// Pixels the host's last paint presented (the sum of the presented frames' areas).
[[nodiscard]] int64_t PresentedArea(SceneHost& host);
/// The shape the last layered update set on the form.
[[nodiscard]] std::vector<Rect> LayeredShape(Form& form);
/// Asks the host for a tooltip at a client point as GTK does before showing one; true when a
/// hint shows there.
[[nodiscard]] bool QueryTooltip(SceneHost& host, Point client);
/// Puts the form above the other windows without taking the keyboard focus.
void Raise(Form& form);
/// Resizes the form's window the way a window manager or `xdotool windowsize` does, behind
/// the toolkit's back; the form hears of it from the window system.
void ResizeFromOutside(Form& form, int32_t width, int32_t height);
/// The form's client pixels as the X server has them (0xFFRRGGBB), whatever hosts lie there.
[[nodiscard]] std::vector<uint32_t> ReadFormPixels(Form& form, const Rect& rect);
/// The cursor the host's window shows (nullptr-equivalent false when none is set).
[[nodiscard]] bool HasCursor(SceneHost& host);

struct DropResult {
    bool completed = false; // the drag ended (dropped or refused) before the time limit
    int dataRequests = 0; // how often the destination asked the source for the data
};
/// Drags `uris` from a window of this process onto the host at a client point and releases
/// there, through the window system's drag-and-drop protocol.
[[nodiscard]] DropResult DropUris(SceneHost& target, const std::vector<std::string>& uris, Point client);
/// The same with UTF-8 text offered as text.
[[nodiscard]] DropResult DropText(SceneHost& target, const std::string& utf8, Point client);

} // namespace platform::ui::test
