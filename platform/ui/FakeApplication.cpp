#include "platform/ui/FakeApplication.h"

#include "platform/rtl/Text.h"
#include "platform/ui/DragSession.h"
#include "platform/ui/Worker.h"

#include <algorithm>
#include <cassert>

namespace platform::ui {
namespace {

Rect Intersect(const Rect& a, const Rect& b)
{
    Rect r { std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
        std::min(a.bottom, b.bottom) };
    return r.IsEmpty() ? Rect {} : r;
}

uint32_t Channel(uint32_t c, int shift)
{
    return (c >> shift) & 0xFF;
}

// Premultiplied `src` over premultiplied `dst`.
uint32_t Over(uint32_t src, uint32_t dst)
{
    const uint32_t a = Channel(src, 24);
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const uint32_t v = Channel(src, shift) + (Channel(dst, shift) * (255 - a) + 127) / 255;
        out |= std::min<uint32_t>(v, 255) << shift;
    }
    return out;
}

} // namespace

class FakeApplication::FakeClipboard final : public Clipboard {
public:
    void SetText(std::u16string_view text) override { m_text = rtl::Utf8ToUtf16(rtl::Utf16ToUtf8(text)); }
    std::optional<std::u16string> GetText() override { return m_text; }
    bool HasText() override { return m_text.has_value(); }

private:
    std::optional<std::u16string> m_text;
};

FakeApplication::FakeApplication(ClickSettings clicks)
    : m_clicks(clicks)
    , m_clipboard(std::make_unique<FakeClipboard>())
{ }

FakeApplication::~FakeApplication()
{
    BeginShutdown();
    WaitForWorkers();
    FinishDeferredFrees();
}

bool FakeApplication::WaitAndDispatch()
{
    m_stalled = false;
    if (DispatchNonIdle())
        return true;
    if (IdleArmed()) {
        DispatchIdle();
        ++m_now;
        return true;
    }
    if (const std::optional<int64_t> due = NextDue()) {
        m_now = std::max(m_now, *due);
        return true;
    }
    m_stalled = true;
    return false;
}

void FakeApplication::ProcessMessages()
{
    while (DispatchNonIdle()) { }
}

bool FakeApplication::ProcessOne()
{
    if (DispatchNonIdle())
        return true;
    if (IdleArmed()) {
        DispatchIdle();
        return true;
    }
    return false;
}

void FakeApplication::AdvanceTime(int64_t ms)
{
    const int64_t target = m_now + std::max<int64_t>(ms, 0);
    for (;;) {
        ProcessMessages();
        const std::optional<int64_t> due = NextDue();
        if (!due || *due > target)
            break;
        m_now = std::max(m_now, *due);
    }
    m_now = target;
    ProcessMessages();
}

bool FakeApplication::DispatchNonIdle()
{
    if (HasPosted()) {
        DispatchPosted();
        return true;
    }
    if (LayoutAndPaint())
        return true;
    return DispatchDueTimer();
}

bool FakeApplication::LayoutAndPaint()
{
    bool any = false;
    // Copies: a handler may free forms and hosts.
    const std::vector<FakeForm*> forms = m_forms;
    for (FakeForm* form : forms) {
        if (std::find(m_forms.begin(), m_forms.end(), form) == m_forms.end())
            continue;
        if (form->m_resizePending) {
            form->m_resizePending = false;
            any = true;
            if (form->m_events)
                Guarded([&] { form->m_events->FormResized(form->m_width, form->m_height); });
        }
    }
    for (FakeForm* form : m_forms) {
        const std::vector<FakeSceneHost*> hosts = form->m_hosts;
        for (FakeSceneHost* host : hosts) {
            if (std::find(form->m_hosts.begin(), form->m_hosts.end(), host) == form->m_hosts.end())
                continue;
            if (host->Paint())
                return true; // the forms may have changed under the paint
        }
    }
    return any;
}

std::optional<int64_t> FakeApplication::NextDue() const
{
    std::optional<int64_t> best;
    for (const auto& [id, record] : Timers())
        if (!best || record->dueMs < *best)
            best = record->dueMs;
    return best;
}

bool FakeApplication::DispatchDueTimer()
{
    const TimerRecord* next = nullptr;
    for (const auto& [id, record] : Timers())
        if (record->dueMs <= m_now && (!next || record->dueMs < next->dueMs))
            next = record.get();
    if (!next)
        return false;
    const uint32_t id = next->id;
    // Like GLib, the next tick counts from this dispatch.
    const_cast<TimerRecord*>(next)->dueMs = m_now + next->intervalMs;
    DispatchTimer(id);
    return true;
}

bool FakeApplication::BackendStartTimer(TimerRecord& record)
{
    record.dueMs = m_now + record.intervalMs;
    return true;
}

std::unique_ptr<Form> FakeApplication::CreateForm(const FormOptions& options)
{
    return std::make_unique<FakeForm>(*this, options);
}

Clipboard& FakeApplication::GetClipboard()
{
    return *m_clipboard;
}

SceneHost* FakeApplication::HostAtScreenPoint(Point screen) const
{
    for (auto f = m_forms.rbegin(); f != m_forms.rend(); ++f) {
        const FakeForm* form = *f;
        if (!form->m_visible)
            continue;
        for (auto h = form->m_hosts.rbegin(); h != form->m_hosts.rend(); ++h) {
            FakeSceneHost* host = *h;
            if (!host->m_visible || !host->m_realized)
                continue;
            const Point p = host->ScreenToClient(screen);
            if (p.x >= 0 && p.y >= 0 && p.x < host->m_bounds.Width() && p.y < host->m_bounds.Height())
                return host;
        }
    }
    return nullptr;
}

// ---------------------------------------------------------------------------------------------

FakeForm::FakeForm(FakeApplication& app, const FormOptions& options)
    : m_app(app)
    , m_options(options)
    , m_position(options.position.value_or(Point {}))
    , m_width(std::max(options.clientWidth, options.minClientWidth))
    , m_height(std::max(options.clientHeight, options.minClientHeight))
{
    m_app.m_forms.push_back(this);
}

FakeForm::~FakeForm()
{
    ReleasePopupGrab();
    std::erase(m_app.m_forms, this);
    // Hosts that outlive their form lose their window, as the toolkit's children do.
    for (FakeSceneHost* host : std::vector<FakeSceneHost*>(m_hosts)) {
        host->Unrealize();
        host->m_form = nullptr;
    }
}

void FakeForm::Show()
{
    if (m_visible)
        return;
    m_visible = true;
    for (FakeSceneHost* host : std::vector<FakeSceneHost*>(m_hosts))
        if (host->m_visible)
            host->Realize();
}

void FakeForm::Hide()
{
    ReleasePopupGrab();
    m_visible = false;
}

bool FakeForm::GrabPopup()
{
    if (!m_visible)
        return false;
    m_app.m_popupGrab = this;
    return true;
}

void FakeForm::ReleasePopupGrab()
{
    if (m_app.m_popupGrab == this)
        m_app.m_popupGrab = nullptr;
}

void FakeApplication::EndPopupGrabByPress()
{
    FakeForm* form = m_popupGrab;
    if (!form)
        return;
    m_popupGrab = nullptr;
    // The window system takes no activation from a popup; losing the grab is its deactivation.
    form->m_active = false;
    if (form->m_events)
        Guarded([&] { form->m_events->FormDeactivated(); });
}

void FakeApplication::InjectScreenClick(Point screen)
{
    if (m_popupGrab) {
        const FakeForm& form = *m_popupGrab;
        const Rect area { form.m_position.x, form.m_position.y, form.m_position.x + form.m_width,
            form.m_position.y + form.m_height };
        if (!area.Contains(screen)) {
            EndPopupGrabByPress();
            return;
        }
    }
    SceneHost* found = HostAtScreenPoint(screen);
    auto* host = dynamic_cast<FakeSceneHost*>(found);
    if (!host)
        return;
    const LifetimeWatch alive = host->GetWatch();
    const Point client = host->ScreenToClient(screen);
    RawButtonEvent press;
    press.x = client.x;
    press.y = client.y;
    host->Inject(press);
    if (alive.Gone())
        return;
    RawButtonEvent release = press;
    release.type = RawButtonEvent::Type::Release;
    release.modifiers.button1 = true;
    host->Inject(release);
}

void FakeForm::SetClientSize(int32_t width, int32_t height)
{
    width = std::max({ width, m_options.minClientWidth, 1 });
    height = std::max({ height, m_options.minClientHeight, 1 });
    if (width == m_width && height == m_height)
        return;
    m_width = width;
    m_height = height;
    m_resizePending = true;
}

void FakeForm::Activate()
{
    if (!m_active)
        SimulateActivation(true);
}

void FakeForm::SimulateCloseRequest()
{
    if (m_events)
        Guarded([&] { m_events->FormCloseRequest(); });
    else
        Hide();
}

void FakeForm::SimulateActivation(bool active)
{
    m_active = active;
    if (m_events)
        Guarded([&] {
            if (active)
                m_events->FormActivated();
            else
                m_events->FormDeactivated();
        });
}

std::unique_ptr<SceneHost> FakeForm::CreateHost(SceneHostEvents& events, const Rect& bounds)
{
    return std::make_unique<FakeSceneHost>(*this, events, bounds);
}

bool FakeForm::UpdateLayered(const FrameView& frame, Point screenPosition)
{
    if (!m_options.layered || !frame.IsValid())
        return false;
    m_layeredFrame.assign(static_cast<size_t>(frame.width) * static_cast<size_t>(frame.height), 0);
    for (int32_t y = 0; y < frame.height; ++y)
        for (int32_t x = 0; x < frame.width; ++x)
            m_layeredFrame[static_cast<size_t>(y) * static_cast<size_t>(frame.width) + static_cast<size_t>(x)]
                = frame.PixelAt(x, y);
    m_layeredWidth = frame.width;
    m_layeredHeight = frame.height;
    m_position = screenPosition;
    SetClientSize(frame.width, frame.height);
    m_shape = AlphaRuns(frame, m_app.CanLayerWindows() ? 0 : 127);
    ++m_layeredUpdates;
    return true;
}

uint32_t FakeForm::ShownPixel(int32_t x, int32_t y) const
{
    if (x < 0 || y < 0 || x >= m_layeredWidth || y >= m_layeredHeight)
        return 0;
    const uint32_t pixel = m_layeredFrame[static_cast<size_t>(y) * static_cast<size_t>(m_layeredWidth)
        + static_cast<size_t>(x)];
    if (m_app.CanLayerWindows())
        return pixel;
    const uint32_t fill = (m_layeredFill >> 24) == 0 ? 0xFF000000 : (m_layeredFill | 0xFF000000);
    return Over(pixel, fill);
}

// ---------------------------------------------------------------------------------------------

class FakeSceneHost::FakePaintContext final : public PaintContext {
public:
    FakePaintContext(FakeSceneHost& host, std::vector<Rect> rects)
        : m_host(host)
        , m_rects(std::move(rects))
    { }
    const std::vector<Rect>& UpdateRects() const override { return m_rects; }
    bool Present(const FrameView& frame, Point at, Blend blend) override
    {
        if (!frame.IsValid())
            return false;
        m_host.m_presentedArea += static_cast<int64_t>(frame.width) * frame.height;
        const Rect frameRect { at.x, at.y, at.x + frame.width, at.y + frame.height };
        for (const Rect& update : m_rects) {
            const Rect r = Intersect(update, frameRect);
            for (int32_t y = r.top; y < r.bottom; ++y) {
                for (int32_t x = r.left; x < r.right; ++x) {
                    uint32_t& dst
                        = m_host.m_surface[static_cast<size_t>(y) * static_cast<size_t>(m_host.m_surfaceWidth)
                            + static_cast<size_t>(x)];
                    const uint32_t src = frame.PixelAt(x - at.x, y - at.y);
                    dst = blend == Blend::Source ? src : Over(src, dst);
                }
            }
        }
        return true;
    }

private:
    FakeSceneHost& m_host;
    std::vector<Rect> m_rects;
};

class FakeSceneHost::SimpleInputMethod final : public InputMethod {
public:
    SimpleInputMethod(InputRouter& router, std::optional<std::string> commit)
        : m_router(router)
        , m_commit(std::move(commit))
    { }
    bool Filter(const RawKeyEvent& key) override
    {
        if (!key.press)
            return false;
        if (m_commit) {
            if (!m_commit->empty())
                m_router.Commit(*m_commit);
            return true;
        }
        if (key.modifiers.ctrl || key.modifiers.alt)
            return false;
        const char32_t c = KeyvalToUnicode(key.keyval);
        if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0))
            return false;
        std::u16string unit;
        if (c >= 0x10000) {
            unit.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            unit.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            unit.push_back(static_cast<char16_t>(c));
        }
        m_router.Commit(rtl::Utf16ToUtf8(unit));
        return true;
    }

private:
    InputRouter& m_router;
    std::optional<std::string> m_commit;
};

FakeSceneHost::FakeSceneHost(FakeForm& form, SceneHostEvents& events, const Rect& bounds)
    : m_form(&form)
    , m_events(events)
    , m_router(*this, form.m_app.Clicks())
    , m_bounds(bounds)
{
    m_form->m_hosts.push_back(this);
}

FakeSceneHost::~FakeSceneHost()
{
    DragSession::HostGone(*this);
    if (m_form)
        std::erase(m_form->m_hosts, this);
}

Form& FakeSceneHost::GetForm() const
{
    assert(m_form && "the host's form was freed first");
    return *m_form;
}

void FakeSceneHost::Realize()
{
    if (m_realized || !m_form)
        return;
    m_realized = true;
    m_resizePending = true;
    ResizeSurface(m_bounds.Width(), m_bounds.Height());
    InvalidateAll();
    Guarded([&] { m_events.HostCreated(); });
}

void FakeSceneHost::Unrealize()
{
    if (!m_realized)
        return;
    const LifetimeWatch alive = GetWatch();
    Guarded([&] { m_events.HostDestroying(); });
    if (alive.Gone())
        return;
    m_realized = false;
    m_pending.clear();
    m_reportedWidth = m_reportedHeight = -1;
}

void FakeSceneHost::SetBounds(const Rect& bounds)
{
    if (bounds == m_bounds)
        return;
    const bool resized = bounds.Width() != m_bounds.Width() || bounds.Height() != m_bounds.Height();
    m_bounds = bounds;
    if (m_realized && resized)
        m_resizePending = true;
}

void FakeSceneHost::SetVisible(bool visible)
{
    if (visible == m_visible)
        return;
    m_visible = visible;
    if (visible && m_form && m_form->m_visible)
        Realize();
}

void FakeSceneHost::Invalidate(const Rect& rect)
{
    if (!m_realized)
        return;
    const Rect r = Intersect(rect, Rect { 0, 0, m_bounds.Width(), m_bounds.Height() });
    if (r.IsEmpty())
        return;
    for (const Rect& p : m_pending)
        if (p.left <= r.left && p.top <= r.top && p.right >= r.right && p.bottom >= r.bottom)
            return;
    std::erase_if(m_pending, [&](const Rect& p) {
        return r.left <= p.left && r.top <= p.top && r.right >= p.right && r.bottom >= p.bottom;
    });
    m_pending.push_back(r);
}

void FakeSceneHost::InvalidateAll()
{
    Invalidate(Rect { 0, 0, m_bounds.Width(), m_bounds.Height() });
}

Point FakeSceneHost::ClientToScreen(Point p) const
{
    const Point origin = m_form ? m_form->ClientToScreen({ m_bounds.left, m_bounds.top }) : Point {};
    return { p.x + origin.x, p.y + origin.y };
}

Point FakeSceneHost::ScreenToClient(Point p) const
{
    const Point origin = ClientToScreen({ 0, 0 });
    return { p.x - origin.x, p.y - origin.y };
}

void FakeSceneHost::SetFocus()
{
    if (m_focused || !m_form)
        return;
    for (FakeSceneHost* other : m_form->m_hosts) {
        if (other != this && other->m_focused) {
            other->InjectFocus(false);
            break;
        }
    }
    InjectFocus(true);
}

void FakeSceneHost::InjectFocus(bool in)
{
    if (m_focused == in)
        return;
    m_focused = in;
    m_router.Focus(in);
}

void FakeSceneHost::Inject(const RawButtonEvent& event)
{
    if (m_form && m_form->m_app.m_popupGrab && m_form->m_app.m_popupGrab != m_form
        && event.type != RawButtonEvent::Type::Release) {
        m_form->m_app.EndPopupGrabByPress();
        return;
    }
    m_router.Button(WithRoot(event));
}

void FakeSceneHost::InjectKey(const RawKeyEvent& event, std::optional<std::string> imCommit)
{
    if (m_form && m_form->m_app.m_popupGrab && m_form->m_app.m_popupGrab != m_form) {
        FakeForm& grab = *m_form->m_app.m_popupGrab;
        FakeSceneHost* target = nullptr;
        for (FakeSceneHost* host : grab.m_hosts) {
            if (host->m_focused) {
                target = host;
                break;
            }
        }
        if (!target && !grab.m_hosts.empty())
            target = grab.m_hosts.front();
        if (target) {
            target->InjectKey(event, std::move(imCommit));
            return;
        }
    }
    SimpleInputMethod im(m_router, std::move(imCommit));
    m_router.Key(event, &im);
}

DropEffect FakeSceneHost::SimulateDragOver(const DropData& data, Point p)
{
    if (m_dragRefused)
        return DropEffect::None;
    const LifetimeWatch alive = GetWatch();
    if (!m_dragEntered) {
        const bool accepted = m_events.HostDragEnter(data);
        if (alive.Gone())
            return DropEffect::None;
        m_dragEntered = true;
        m_dragRefused = !accepted;
        if (!accepted)
            return DropEffect::None;
    }
    return m_events.HostDragOver(data, p);
}

void FakeSceneHost::SimulateDragLeave()
{
    const bool entered = m_dragEntered && !m_dragRefused;
    m_dragEntered = m_dragRefused = false;
    if (entered)
        m_events.HostDragLeave();
}

bool FakeSceneHost::SimulateDrop(const DropData& data, Point p)
{
    const bool entered = m_dragEntered && !m_dragRefused;
    const bool refused = m_dragRefused;
    m_dragEntered = m_dragRefused = false;
    if (refused)
        return false;
    if (!entered && !m_events.HostDragEnter(data))
        return false;
    return m_events.HostDrop(data, p);
}

void FakeSceneHost::ResizeSurface(int32_t width, int32_t height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    std::vector<uint32_t> surface(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    for (int32_t y = 0; y < std::min(height, m_surfaceHeight); ++y)
        for (int32_t x = 0; x < std::min(width, m_surfaceWidth); ++x)
            surface[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)]
                = m_surface[static_cast<size_t>(y) * static_cast<size_t>(m_surfaceWidth)
                    + static_cast<size_t>(x)];
    m_surface = std::move(surface);
    m_surfaceWidth = width;
    m_surfaceHeight = height;
}

uint32_t FakeSceneHost::ShownPixel(int32_t x, int32_t y) const
{
    if (x < 0 || y < 0 || x >= m_surfaceWidth || y >= m_surfaceHeight)
        return 0;
    return m_surface[static_cast<size_t>(y) * static_cast<size_t>(m_surfaceWidth) + static_cast<size_t>(x)];
}

bool FakeSceneHost::Paint()
{
    if (!m_realized || !m_visible || !m_form || !m_form->m_visible)
        return false;
    const LifetimeWatch alive = GetWatch();
    bool any = false;
    if (m_resizePending) {
        m_resizePending = false;
        any = true;
        const int32_t w = m_bounds.Width();
        const int32_t h = m_bounds.Height();
        ResizeSurface(w, h);
        // A new size repaints the whole host.
        InvalidateAll();
        if (w != m_reportedWidth || h != m_reportedHeight) {
            m_reportedWidth = w;
            m_reportedHeight = h;
            Guarded([&] { m_events.HostResized(w, h); });
            if (alive.Gone())
                return true;
        }
    }
    if (m_pending.empty())
        return any;
    std::vector<Rect> rects = std::move(m_pending);
    m_pending.clear();
    ++m_paints;
    m_lastPaintRects = rects;
    m_presentedArea = 0;
    FakePaintContext context(*this, std::move(rects));
    Guarded([&] { m_events.HostPaint(context); });
    return true;
}

} // namespace platform::ui
