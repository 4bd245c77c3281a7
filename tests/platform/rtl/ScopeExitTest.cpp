#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/ScopedAssign.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

enum class Exit { Normal, Throw };

// A component with a member a scope sets.
class TFlagHolder : public rtl::TComponent {
    RTL_CLASS(TFlagHolder, rtl::TComponent)
public:
    using TComponent::TComponent;
    bool busy = false;

protected:
    ~TFlagHolder() override = default;
};

RTL_IMPLEMENT_CLASS(TFlagHolder)

// Runs `fn` inside a scope holding both guards; answers what each guard did and the message of
// the exception that left the scope ("" for none).
struct Outcome {
    int exitRuns = 0;
    int failureRuns = 0;
    std::string escaped;
};

Outcome RunScope(Exit exit, bool guardsThrow)
{
    Outcome out;
    try {
        rtl::ScopeExit always([&] {
            ++out.exitRuns;
            if (guardsThrow)
                throw Failure("from the exit guard");
        });
        rtl::ScopeFailure onFailure([&] {
            ++out.failureRuns;
            if (guardsThrow)
                throw Failure("from the failure guard");
        });
        if (exit == Exit::Throw)
            throw Failure("from the scope");
    } catch (const Failure& e) {
        out.escaped = e.what();
    }
    return out;
}

TEST(ScopeGuards, RunOnTheRightWaysOutAndReportTheFirstError)
{
    struct Case {
        const char* name;
        Exit exit;
        bool guardsThrow;
        int exitRuns;
        int failureRuns;
        const char* escaped;
    };
    const Case cases[] = {
        { "normal exit: only the exit guard", Exit::Normal, false, 1, 0, "" },
        { "exception: both guards, the exception goes on", Exit::Throw, false, 1, 1, "from the scope" },
        // Plain code after the scope would have thrown to the caller; so does the guard.
        { "normal exit, throwing guard: its error reaches the caller", Exit::Normal, true, 1, 0,
            "from the exit guard" },
        // A second error while unwinding must neither end the program nor hide the first.
        { "exception, throwing guards: the first error is reported", Exit::Throw, true, 1, 1,
            "from the scope" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome out = RunScope(c.exit, c.guardsThrow);
        EXPECT_EQ(out.exitRuns, c.exitRuns);
        EXPECT_EQ(out.failureRuns, c.failureRuns);
        EXPECT_EQ(out.escaped, c.escaped);
    }
}

TEST(ScopeGuards, AGuardMadeWhileUnwindingStillTellsItsOwnScopeApart)
{
    // A destructor that runs during unwinding may use guards of its own: they count from
    // where they were made, so the unwinding around them is no failure of theirs.
    int failureRuns = -1;
    int exitRuns = 0;
    struct Cleanup {
        int& failureRuns;
        int& exitRuns;
        ~Cleanup()
        {
            failureRuns = 0;
            rtl::ScopeFailure onFailure([this] { ++failureRuns; });
            rtl::ScopeExit always([this] { ++exitRuns; });
        }
    };
    try {
        Cleanup cleanup { failureRuns, exitRuns };
        throw Failure("outer");
    } catch (const Failure&) { }
    EXPECT_EQ(failureRuns, 0);
    EXPECT_EQ(exitRuns, 1);
}

TEST(ScopeGuards, ScopedAssignPutsTheValueBackOnEveryWayOut)
{
    int value = 1;
    {
        rtl::ScopedAssign set(value, 2);
        EXPECT_EQ(value, 2);
    }
    EXPECT_EQ(value, 1);
    try {
        rtl::ScopedAssign set(value, 3);
        throw Failure("out");
    } catch (const Failure&) { }
    EXPECT_EQ(value, 1);

    // The component whose member is set may go inside the scope, even by the exception that
    // leaves it: the value is then written to nothing (AddressSanitizer watches this).
    auto* kept = new TFlagHolder(nullptr);
    try {
        rtl::ScopedAssign busy(kept, kept->busy, true);
        EXPECT_TRUE(kept->busy);
        throw Failure("out");
    } catch (const Failure&) { }
    EXPECT_FALSE(kept->busy);
    kept->Free();
    for (Exit exit : { Exit::Normal, Exit::Throw }) {
        auto* holder = new TFlagHolder(nullptr);
        try {
            rtl::ScopedAssign busy(holder, holder->busy, true);
            holder->Free();
            if (exit == Exit::Throw)
                throw Failure("out");
        } catch (const Failure&) { }
    }
}

} // namespace
