// Every GL error seen in the whole run fails it, also those outside a fixture's
// checks (set-up, tear-down, tests without a device fixture). Debug builds check
// every GL call sequence (GlDebug.h); release builds count nothing.
#include <gtest/gtest.h>

#include "platform/sdl_gl/GlDebug.h"

namespace {

class GlErrorEnvironment : public testing::Environment {
public:
    void TearDown() override { EXPECT_EQ(GlErrorCount(), 0u) << "GL errors were reported during the run (see stderr)"; }
};

[[maybe_unused]] testing::Environment* const environment = testing::AddGlobalTestEnvironment(new GlErrorEnvironment);

}  // namespace
