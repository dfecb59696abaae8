#include "game/state/Fatal.h"

#include <cstdio>

#include "platform/Window.h"

void FatalMessage(const std::string& text) {
    MsgBox(text);
    End(kExitFailure);
}

void FatalError(const std::string& what, HRESULT hr) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
    MsgBox("Unexpected error: " + what + " failed (" + code + ")");
    End(kExitFailure);
}
