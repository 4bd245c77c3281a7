#include "tests/platform/ui/gui/GtkFixture.h"

#include "platform/ui/NativeApplication.h"
#include "platform/ui/PopupMenuTestDriver.h"
#include "tests/MissingDisplay.h"

#include <cstdlib>
#include <functional>

using namespace platform::ui;

namespace uitest {
namespace {

std::unique_ptr<Application> g_app;
std::string g_error;
std::vector<std::string> g_errors;

class GtkEnvironment final : public ::testing::Environment {
public:
    void SetUp() override
    {
        // The tests type through GTK's own simple input method and need no accessibility bus.
        setenv("GTK_IM_MODULE", "gtk-im-context-simple", 1);
        setenv("NO_AT_BRIDGE", "1", 1);
        const char* display = std::getenv("DISPLAY");
        if (!display || !*display) {
            g_error = "no X display (run the suite under xvfb-run)";
            return;
        }
        NativeStart start = StartNativeApplication("glyphforge-tests");
        g_app = std::move(start.application);
        g_error = start.error;
        if (g_app)
            g_app->SetOnException([](const std::string& message) { g_errors.push_back(message); });
    }
    void TearDown() override { g_app.reset(); }
};

[[maybe_unused]] ::testing::Environment* const kEnvironment
    = ::testing::AddGlobalTestEnvironment(new GtkEnvironment);

} // namespace

Application* Gui()
{
    return g_app.get();
}

const std::string& GuiError()
{
    return g_error;
}

std::vector<std::string>& GuiErrors()
{
    return g_errors;
}

bool RunUntil(const std::function<bool()>& done)
{
    bool gaveUp = false;
    const uint32_t guard = g_app->StartTimer(20000, [&](uint32_t) { gaveUp = true; });
    g_app->RunUntil([&] { return done() || gaveUp; });
    g_app->StopTimer(guard);
    return done();
}

Point PlaceForThisTest()
{
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "";
    // A 9 x 7 grid of 130 x 130 cells on a 1280 x 1024 screen, without the cell under the
    // pointer's starting place (the middle of the screen).
    const size_t cell = std::hash<std::string> {}(name) % 62;
    const size_t index = cell >= 4 + 3 * 9 ? cell + 1 : cell;
    return Point { static_cast<int32_t>(20 + (index % 9) * 130),
        static_cast<int32_t>(20 + (index / 9) * 130) };
}

KeysForMenu::KeysForMenu(std::vector<std::string> keys)
    : m_keys(std::move(keys))
{
    m_timer = Gui()->StartTimer(20, [this](uint32_t) { Tick(); });
}

KeysForMenu::~KeysForMenu()
{
    Gui()->StopTimer(m_timer);
}

void KeysForMenu::Tick()
{
    if (!test::MenuIsOpen() || m_next >= m_keys.size())
        return;
    m_sawMenu = true;
    if (m_keys[m_next].empty()) {
        if (++m_paused * 20 < 300)
            return;
        m_paused = 0;
        ++m_next;
        return;
    }
    test::SendKeyToOpenMenu(m_keys[m_next++]);
}

bool PopupUntilShown(KeysForMenu& keys, const std::function<void()>& popup)
{
    for (int attempt = 0; attempt < 50; ++attempt) {
        popup();
        if (keys.SawMenu())
            return true;
        LetOtherClientsRun();
    }
    return false;
}

void LetOtherClientsRun()
{
    bool waited = false;
    const uint32_t timer = Gui()->StartTimer(100, [&](uint32_t) { waited = true; });
    Gui()->RunUntil([&] { return waited; });
    Gui()->StopTimer(timer);
}

void GtkTest::SetUp()
{
    if (!Gui())
        GF_MISSING_DISPLAY(GuiError());
    GuiErrors().clear();
    // A bare X server gives the keyboard to whatever window lies under the pointer, so windows
    // that tests running beside this one open may move the focus at any time: the logs leave
    // focus out, and tests of focus ask the host instead.
    scene.logFocus = false;
}

void GtkTest::TearDown()
{
    host.reset();
    form.reset();
    if (Gui())
        Gui()->ProcessMessages();
}

void GtkTest::OpenForm(int32_t width, int32_t height, FormOptions options)
{
    options.clientWidth = width;
    options.clientHeight = height;
    options.position = options.position.value_or(PlaceForThisTest());
    options.decorated = false;
    form = App().CreateForm(options);
    host = form->CreateHost(scene, Rect { 0, 0, width, height });
    host->SetVisible(true);
    form->Show();
    ASSERT_TRUE(RunUntil([&] { return scene.paints > 0; }));
    App().ProcessMessages();
    // The scene hears of its window first, then of its size.
    ASSERT_EQ(scene.Take(),
        (std::vector<std::string> {
            "created", "resized " + std::to_string(width) + "x" + std::to_string(height) }));
}

} // namespace uitest
