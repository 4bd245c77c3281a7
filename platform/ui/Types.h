#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

// Plain values shared by every service of the window layer. Nothing here touches GTK, so the
// scene code and its tests can use them headless.
namespace platform::ui {

/// A pixel position; window and screen coordinates grow right and down.
struct Point {
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

/// A pixel rectangle, right and bottom exclusive.
struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

enum class MouseButton : uint8_t { Left, Right, Middle };

/// The modifier and button flags the toolkit's input events carry.
enum class ShiftFlag : uint16_t {
    Shift = 1,
    Alt = 2,
    Ctrl = 4,
    Left = 8,
    Right = 16,
    Middle = 32,
    Double = 64,
    Meta = 128,
};

class ShiftState {
public:
    constexpr ShiftState() = default;
    constexpr ShiftState(std::initializer_list<ShiftFlag> flags)
    {
        for (ShiftFlag f : flags)
            m_bits |= static_cast<uint16_t>(f);
    }
    constexpr bool Has(ShiftFlag f) const { return (m_bits & static_cast<uint16_t>(f)) != 0; }
    constexpr ShiftState& Add(ShiftFlag f)
    {
        m_bits |= static_cast<uint16_t>(f);
        return *this;
    }
    constexpr ShiftState& Remove(ShiftFlag f)
    {
        m_bits &= static_cast<uint16_t>(~static_cast<uint16_t>(f));
        return *this;
    }
    constexpr uint16_t Bits() const { return m_bits; }
    constexpr bool IsEmpty() const { return m_bits == 0; }
    friend constexpr bool operator==(ShiftState, ShiftState) = default;

private:
    uint16_t m_bits = 0;
};

/// Virtual key codes of the window system the scenes were written for.
namespace vk {
constexpr uint16_t kBack = 8, kTab = 9, kClear = 12, kReturn = 13, kShift = 16, kControl = 17, kMenu = 18,
                   kPause = 19, kCapital = 20, kEscape = 27, kSpace = 32, kPrior = 33, kNext = 34, kEnd = 35,
                   kHome = 36, kLeft = 37, kUp = 38, kRight = 39, kDown = 40, kSnapshot = 44, kInsert = 45,
                   kDelete = 46, kLWin = 91, kRWin = 92, kApps = 93, kNumpad0 = 96, kMultiply = 106,
                   kAdd = 107, kSeparator = 108, kSubtract = 109, kDecimal = 110, kDivide = 111, kF1 = 112,
                   kNumLock = 144, kScroll = 145;
} // namespace vk

/// What a drop would do; the values are the ones the scenes test against.
enum class DropEffect : uint8_t { None = 0, Copy = 1, Move = 2, Link = 4 };

/// Data of a drag from another application: file names (full, never cut) or text.
struct DropData {
    std::vector<std::u16string> files;
    std::u16string text;
    bool IsEmpty() const { return files.empty() && text.empty(); }
};

/// A hint the scene shows at a point: the text, and the area in client pixels within which the
/// same hint stays up (leaving it asks again).
struct HintInfo {
    std::u16string text;
    Rect area;
};

/// A top-down premultiplied ARGB32 pixel buffer owned by the caller; `stride` is in bytes.
struct FrameView {
    const uint8_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t stride = 0;

    /// Buffers the presenting code accepts: pixels present, positive size, rows of at least
    /// width * 4 bytes and 4-byte aligned strides.
    bool IsValid() const
    {
        return pixels != nullptr && width > 0 && height > 0 && stride % 4 == 0
            && static_cast<int64_t>(stride) >= static_cast<int64_t>(width) * 4;
    }
    uint32_t PixelAt(int32_t x, int32_t y) const
    {
        const uint8_t* p
            = pixels + static_cast<size_t>(y) * static_cast<size_t>(stride) + static_cast<size_t>(x) * 4;
        return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8
            | static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
    }
};

/// A move-only callable without arguments (posted calls and hand-overs may carry a decoded
/// bitmap that must be freed exactly once, called or not).
class Task {
public:
    Task() = default;
    template <class F, class = std::enable_if_t<!std::is_same_v<std::decay_t<F>, Task>>>
    Task(F&& f)
        : m_impl(std::make_unique<Impl<std::decay_t<F>>>(std::forward<F>(f)))
    { }
    Task(Task&&) noexcept = default;
    Task& operator=(Task&&) noexcept = default;

    explicit operator bool() const { return m_impl != nullptr; }
    void operator()() { m_impl->Call(); }

private:
    struct Base {
        virtual ~Base() = default;
        virtual void Call() = 0;
    };
    template <class F> struct Impl final : Base {
        explicit Impl(F&& f)
            : fn(std::move(f))
        { }
        explicit Impl(const F& f)
            : fn(f)
        { }
        void Call() override { fn(); }
        F fn;
    };
    std::unique_ptr<Base> m_impl;
};

/// Observer side of a `Lifetime`: tells whether the object that handed it out has gone.
/// A default-constructed watch observes nothing and never reports gone. GUI thread only.
class LifetimeWatch {
public:
    LifetimeWatch() = default;
    bool Gone() const { return m_alive && !*m_alive; }

private:
    friend class Lifetime;
    explicit LifetimeWatch(std::shared_ptr<const bool> alive)
        : m_alive(std::move(alive))
    { }
    std::shared_ptr<const bool> m_alive;
};

/// Embedded in an object that others wait on or call back into: its destruction marks every
/// watch handed out, so a loop or a handler can tell that the object was freed under it.
class Lifetime {
public:
    Lifetime()
        : m_alive(std::make_shared<bool>(true))
    { }
    ~Lifetime() { *m_alive = false; }
    Lifetime(const Lifetime&) = delete;
    Lifetime& operator=(const Lifetime&) = delete;

    LifetimeWatch GetWatch() const { return LifetimeWatch(m_alive); }

private:
    std::shared_ptr<bool> m_alive;
};

} // namespace platform::ui
