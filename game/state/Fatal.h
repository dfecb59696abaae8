// The one way down for failures the program cannot live with: a modal message
// (also on stderr), then the process ends with a non-zero status.
#pragma once

#include <string>

#include "platform/D3dTypes.h"

inline constexpr int kExitFailure = 1;

// A condition the program detects itself: the message as given, then the end.
[[noreturn]] void FatalMessage(const std::string& text);

// An unhandled platform failure: `what` names the call that failed.
[[noreturn]] void FatalError(const std::string& what, HRESULT hr);

// Ends the program through FatalError when hr reports a failure.
inline void Check(HRESULT hr, const char* what) {
    if (Failed(hr)) FatalError(what, hr);
}
