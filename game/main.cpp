// nightdrive: the start menu opens first; "New Game" starts the game inside the
// menu's handler, and the program ends from one of the handlers.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/Allocator.h"
#include "menu/Menu.h"
#include "platform/Window.h"

namespace {

// "--fill" or NIGHTDRIVE_FILL=1 marks "Fill Screen" in the menu before it shows.
bool FillChosen(int argc, char** argv, bool& usageError) {
    const char* env = std::getenv("NIGHTDRIVE_FILL");
    bool fill = env != nullptr && *env != '\0' && std::strcmp(env, "0") != 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--fill") == 0) {
            fill = true;
        } else {
            usageError = true;
        }
    }
    return fill;
}

}  // namespace

int main(int argc, char** argv) {
    bool usageError = false;
    const bool fill = FillChosen(argc, argv, usageError);
    if (usageError) {
        std::fputs("usage: nightdrive [--fill]\n", stderr);
        return 2;
    }
    ConfigureAllocator();
    MenuWindow& menu = Menu();
    if (fill) menu.lblFill_Click();
    if (!ShowForm(menu.form)) {
        std::fprintf(stderr, "nightdrive: cannot open the start menu window.\n");
        return 1;
    }
    RunMessageLoop();
    return 0;
}
