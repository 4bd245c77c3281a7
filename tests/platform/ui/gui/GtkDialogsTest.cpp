// The GTK dialogs, answered from a timer of their own loop.

#include "tests/platform/ui/gui/GtkFixture.h"

#include "platform/ui/DialogTestDriver.h"
#include "platform/ui/Dialogs.h"

#include <optional>
#include <ostream>
#include <string>

namespace platform::ui {
void PrintTo(const FontChoice& font, std::ostream* out)
{
    *out << "{ \"" << font.family << "\", " << font.size << ", " << font.style << " }";
}
} // namespace platform::ui

using namespace platform::ui;
using uitest::GtkTest;

namespace {

// Confirms the next dialog as soon as it runs, as a person pressing its confirming button
// at once would: the dialog answers with what it showed when it opened.
std::optional<FontChoice> ConfirmedAtOnce(Application& app, const FontChoice& start, Form* owner)
{
    bool confirmed = false;
    const uint32_t timer = app.StartTimer(20, [&](uint32_t) {
        if (!confirmed && test::DialogIsOpen())
            confirmed = test::ConfirmOpenDialog();
    });
    std::optional<FontChoice> chosen = Dialogs::ChooseFont(start, owner);
    app.StopTimer(timer);
    EXPECT_TRUE(confirmed);
    EXPECT_FALSE(test::DialogIsOpen());
    return chosen;
}

} // namespace

TEST_F(GtkTest, TheFontDialogOpensOnTheFontItIsGivenOrTheFamilyThatDrawsIt)
{
    OpenForm(120, 90);
    const struct {
        FontChoice start;
        FontChoice shown;
    } cases[] = {
        { { "DejaVu Serif", 20, 1 }, { "DejaVu Serif", 20, 1 } },
        { { "DejaVu Sans Mono", 72, 0 }, { "DejaVu Sans Mono", 72, 0 } },
        { { "dejavu serif", 16, 2 }, { "DejaVu Serif", 16, 2 } }, // the family in its own spelling
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.start.family);
        EXPECT_EQ(ConfirmedAtOnce(App(), c.start, form.get()), c.shown);
    }

    // A family the machine lacks is drawn with another one: the dialog opens on that one,
    // at the size and style given, and opens on it again when given it.
    const std::optional<FontChoice> drawn
        = ConfirmedAtOnce(App(), { "No Such Family Here", 30, 1 }, form.get());
    ASSERT_TRUE(drawn.has_value()) << "no font was selected";
    EXPECT_NE(drawn->family, "No Such Family Here");
    EXPECT_FALSE(drawn->family.empty());
    EXPECT_FLOAT_EQ(drawn->size, 30);
    EXPECT_EQ(drawn->style, 1);
    EXPECT_EQ(ConfirmedAtOnce(App(), *drawn, form.get()), drawn);
}
