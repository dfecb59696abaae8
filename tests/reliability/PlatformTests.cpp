// Platform failures: no display, no OpenGL 3.3 context, a message box that cannot
// be shown. Each must end with a clear message and a non-zero status, never hang
// and never pass silently.
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

#include "platform/Window.h"
#include "tests/reliability/AppFolder.h"

namespace {

const char* const DisplayVariables[] = {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"};

TEST(PlatformFailure, NoDisplaySaysSoAndExits) {
    ProcessOptions options;
    options.args = {ND_NIGHTDRIVE};
    options.unset.assign(std::begin(DisplayVariables), std::end(DisplayVariables));
    options.timeoutSeconds = 30;
    const ProcessResult r = RunProcess(options);
    ASSERT_TRUE(r.started);
    EXPECT_FALSE(r.timedOut) << Describe(r);
    EXPECT_EQ(r.signal, 0) << Describe(r);
    EXPECT_NE(r.exitCode, 0) << Describe(r);
    EXPECT_NE(r.err.find("nightdrive: cannot open a window"), std::string::npos) << Describe(r);
    EXPECT_NE(r.err.find("DISPLAY/WAYLAND_DISPLAY"), std::string::npos) << Describe(r);
}

TEST(PlatformFailure, UnreachableX11DisplaySaysSoAndExits) {
    ProcessOptions options;
    options.args = {ND_NIGHTDRIVE};
    options.unset = {"WAYLAND_DISPLAY", "SDL_VIDEODRIVER"};
    options.set = {{"DISPLAY", ":97"}};
    options.timeoutSeconds = 30;
    const ProcessResult r = RunProcess(options);
    EXPECT_FALSE(r.timedOut) << Describe(r);
    EXPECT_EQ(r.signal, 0) << Describe(r);
    EXPECT_NE(r.exitCode, 0) << Describe(r);
    EXPECT_NE(r.err.find("nightdrive: cannot open a window"), std::string::npos) << Describe(r);
}

// Mesa offers no context above the version it is told to report.
struct GlVersionCase {
    const char* name;
    const char* glVersion;
    const char* glslVersion;
};

class NoGl33Test : public testing::TestWithParam<GlVersionCase> {};

TEST_P(NoGl33Test, HeadlessRunSaysSoAndExits) {
    AppFolder app(ND_HEADLESS);
    ASSERT_TRUE(app.Ready());
    ProcessOptions options;
    options.args = {app.Root() + "/nightdrive-headless", "--frames", "3", "--size", "640x480", "--detail", "low"};
    options.set = {{"SDL_VIDEODRIVER", "offscreen"}, {"MESA_GL_VERSION_OVERRIDE", GetParam().glVersion}};
    if (GetParam().glslVersion) options.set.emplace_back("MESA_GLSL_VERSION_OVERRIDE", GetParam().glslVersion);
    options.timeoutSeconds = 60;
    const ProcessResult r = RunProcess(options);
    EXPECT_FALSE(r.timedOut) << Describe(r);
    EXPECT_EQ(r.signal, 0) << Describe(r);
    EXPECT_NE(r.exitCode, 0) << Describe(r);
    EXPECT_NE(r.err.find("nightdrive: Cannot create the 3-D device: an OpenGL 3.3 capable display is required."),
              std::string::npos)
        << Describe(r);
    EXPECT_EQ(r.err.find("Sanitizer"), std::string::npos) << Describe(r);
    // Nothing was loaded: the device comes first.
    EXPECT_EQ(r.err.find("Can't find"), std::string::npos) << Describe(r);
}

INSTANTIATE_TEST_SUITE_P(Reliability, NoGl33Test,
                         testing::Values(GlVersionCase{"gl30", "3.0", "130"}, GlVersionCase{"gl21", "2.1", nullptr},
                                         GlVersionCase{"gl32", "3.2", "150"}),
                         [](const testing::TestParamInfo<GlVersionCase>& info) { return info.param.name; });

// A message box where no box can be shown (a desktop driver without a display):
// the text still reaches stderr and the call returns instead of hanging.
struct BoxCase {
    const char* name;
    const char* driver;
};

class UnshownMessageBoxTest : public testing::TestWithParam<BoxCase> {};

TEST_P(UnshownMessageBoxTest, TextGoesToStderrAndTheCallReturns) {
    const BoxCase c = GetParam();
    EXPECT_EXIT(
        {
            alarm(20);  // a hang ends the child by SIGALRM, which the test rejects
            unsetenv("WAYLAND_DISPLAY");
            setenv("DISPLAY", ":97", 1);
            setenv("SDL_VIDEODRIVER", c.driver, 1);
            MsgBox("Can't find \\data\\3d\\3d0002.x This Application will be turminated");
            std::_Exit(3);
        },
        testing::ExitedWithCode(3), "nightdrive: Can't find \\\\data\\\\3d\\\\3d0002\\.x This Application will be turminated");
}

INSTANTIATE_TEST_SUITE_P(Reliability, UnshownMessageBoxTest,
                         testing::Values(BoxCase{"x11", "x11"}, BoxCase{"wayland", "wayland"}),
                         [](const testing::TestParamInfo<BoxCase>& info) { return info.param.name; });

}  // namespace
