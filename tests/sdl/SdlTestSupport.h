// What the SDL window-system tests share: starting SDL on the offscreen driver
// (skipped where it cannot start, failed under CI) and a fresh start menu.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "game/state/GeneralVariables.h"
#include "menu/Menu.h"
#include "platform/Window.h"
#include "platform/sdl_gl/SdlWindow.h"

namespace sdltest {

inline bool RunningUnderCi() {
    const char* ci = std::getenv("CI");
    return ci && std::strcmp(ci, "true") == 0;
}

// Synthetic input needs the offscreen driver, whatever display the tests see.
inline bool StartSdlOffscreen() {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    return EnsureSdl();
}

// Starts SDL as above; where it cannot start, fails the test under CI and skips
// it elsewhere (the caller returns when IsSkipped() or HasFatalFailure()).
inline void StartSdlOrSkip() {
    if (StartSdlOffscreen()) return;
    if (RunningUnderCi()) FAIL() << "SDL cannot start under CI";
    GTEST_SKIP() << "SDL cannot start here";
}

// Fresh shared state and a fresh start menu, shown.
inline void ShowFreshMenu() {
    GeneralVariables = {};
    ResetMenu();
    ASSERT_TRUE(ShowForm(Menu().form));
    DoEvents();
}

inline void CloseMenu() {
    UnloadForm(Menu().form);
    ResetMenu();
    GeneralVariables = {};
}

}  // namespace sdltest
