// Every GL error seen in the whole run fails it, also those outside a fixture's
// checks (set-up, tear-down, tests without a device fixture). The checks are
// switched on for the whole run, whatever the build type, so release builds of
// these tests count GL errors as debug builds do.
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include "platform/sdl_gl/GlDebug.h"
#include "tests/gl/GlTestSupport.h"

namespace {

// Errors made on purpose by the test below, which the totals allow for.
std::uint64_t provokedErrors = 0;

class GlErrorEnvironment : public testing::Environment {
public:
    void SetUp() override { GlSetErrorChecks(true); }
    void TearDown() override {
        EXPECT_EQ(GlErrorCount(), provokedErrors) << "GL errors were reported during the run (see stderr)";
    }
};

[[maybe_unused]] testing::Environment* const kEnvironment = testing::AddGlobalTestEnvironment(new GlErrorEnvironment);

using GlErrorChecks = gltest::GlDeviceTest;

// The checks are live in this build: an invalid enum is counted once, and only
// while checking is on.
TEST_F(GlErrorChecks, CountsAnErrorOnlyWhileOn) {
    ASSERT_TRUE(GlErrorChecksOn());
    const std::uint64_t before = GlErrorCount();

    GlSetErrorChecks(false);
    glEnable(0xFFFF);
    GlCheck("provoked error, checks off");
    GlSetErrorChecks(true);
    EXPECT_EQ(GlErrorCount(), before);
    glGetError();  // the error left pending while the checks were off

    glEnable(0xFFFF);
    GlCheck("provoked error");
    EXPECT_EQ(GlErrorCount(), before + 1);
    GlCheck("nothing pending");
    EXPECT_EQ(GlErrorCount(), before + 1);

    provokedErrors += GlErrorCount() - before;
    errorsAtStart = GlErrorCount();
}

}  // namespace
