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

const char* const kDisplayVariables[] = {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"};

TEST(PlatformFailure, NoDisplaySaysSoAndExits) {
    ProcessOptions options;
    options.Args = {ND_NIGHTDRIVE};
    options.Unset.assign(std::begin(kDisplayVariables), std::end(kDisplayVariables));
    options.TimeoutSeconds = 30;
    const ProcessResult r = RunProcess(options);
    ASSERT_TRUE(r.Started);
    EXPECT_FALSE(r.TimedOut) << Describe(r);
    EXPECT_EQ(r.Signal, 0) << Describe(r);
    EXPECT_NE(r.ExitCode, 0) << Describe(r);
    EXPECT_NE(r.Err.find("nightdrive: cannot open a window"), std::string::npos) << Describe(r);
    EXPECT_NE(r.Err.find("DISPLAY/WAYLAND_DISPLAY"), std::string::npos) << Describe(r);
}

TEST(PlatformFailure, UnreachableX11DisplaySaysSoAndExits) {
    ProcessOptions options;
    options.Args = {ND_NIGHTDRIVE};
    options.Unset = {"WAYLAND_DISPLAY", "SDL_VIDEODRIVER"};
    options.Set = {{"DISPLAY", ":97"}};
    options.TimeoutSeconds = 30;
    const ProcessResult r = RunProcess(options);
    EXPECT_FALSE(r.TimedOut) << Describe(r);
    EXPECT_EQ(r.Signal, 0) << Describe(r);
    EXPECT_NE(r.ExitCode, 0) << Describe(r);
    EXPECT_NE(r.Err.find("nightdrive: cannot open a window"), std::string::npos) << Describe(r);
}

// Mesa offers no context above the version it is told to report.
struct GlVersionCase {
    const char* Name;
    const char* GlVersion;
    const char* GlslVersion;
};

class NoGl33Test : public testing::TestWithParam<GlVersionCase> {};

TEST_P(NoGl33Test, HeadlessRunSaysSoAndExits) {
    AppFolder app(ND_HEADLESS);
    ASSERT_TRUE(app.Ready());
    ProcessOptions options;
    options.Args = {app.Root() + "/nightdrive-headless", "--frames", "3", "--size", "640x480", "--detail", "low"};
    options.Set = {{"SDL_VIDEODRIVER", "offscreen"}, {"MESA_GL_VERSION_OVERRIDE", GetParam().GlVersion}};
    if (GetParam().GlslVersion) options.Set.emplace_back("MESA_GLSL_VERSION_OVERRIDE", GetParam().GlslVersion);
    options.TimeoutSeconds = 60;
    const ProcessResult r = RunProcess(options);
    EXPECT_FALSE(r.TimedOut) << Describe(r);
    EXPECT_EQ(r.Signal, 0) << Describe(r);
    EXPECT_NE(r.ExitCode, 0) << Describe(r);
    EXPECT_NE(r.Err.find("nightdrive: Cannot create the 3-D device: an OpenGL 3.3 capable display is required."),
              std::string::npos)
        << Describe(r);
    EXPECT_EQ(r.Err.find("Sanitizer"), std::string::npos) << Describe(r);
    // Nothing was loaded: the device comes first.
    EXPECT_EQ(r.Err.find("Can't find"), std::string::npos) << Describe(r);
}

INSTANTIATE_TEST_SUITE_P(Reliability, NoGl33Test,
                         testing::Values(GlVersionCase{"gl30", "3.0", "130"}, GlVersionCase{"gl21", "2.1", nullptr},
                                         GlVersionCase{"gl32", "3.2", "150"}),
                         [](const testing::TestParamInfo<GlVersionCase>& info) { return info.param.Name; });

// A message box where no box can be shown (a desktop driver without a display):
// the text still reaches stderr and the call returns instead of hanging.
struct BoxCase {
    const char* Name;
    const char* Driver;
};

class UnshownMessageBoxTest : public testing::TestWithParam<BoxCase> {};

TEST_P(UnshownMessageBoxTest, TextGoesToStderrAndTheCallReturns) {
    const BoxCase c = GetParam();
    EXPECT_EXIT(
        {
            alarm(20);  // a hang ends the child by SIGALRM, which the test rejects
            unsetenv("WAYLAND_DISPLAY");
            setenv("DISPLAY", ":97", 1);
            setenv("SDL_VIDEODRIVER", c.Driver, 1);
            MsgBox("Can't find \\data\\3d\\3d0002.x This Application will be turminated");
            std::_Exit(3);
        },
        testing::ExitedWithCode(3),
        "nightdrive: Can't find \\\\data\\\\3d\\\\3d0002\\.x This Application will be turminated");
}

INSTANTIATE_TEST_SUITE_P(Reliability, UnshownMessageBoxTest,
                         testing::Values(BoxCase{"x11", "x11"}, BoxCase{"wayland", "wayland"}),
                         [](const testing::TestParamInfo<BoxCase>& info) { return info.param.Name; });

}  // namespace
