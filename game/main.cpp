// nightdrive: the start menu opens first; "New Game" starts the game inside the
// menu's handler, and the program ends from one of the handlers.
#include <cstdio>

#include "platform/Allocator.h"
#include "menu/Menu.h"
#include "platform/Window.h"

int main() {
    ConfigureAllocator();
    MenuWindow& menu = Menu();
    if (!ShowForm(menu.form)) {
        std::fprintf(stderr, "nightdrive: cannot open the start menu window.\n");
        return 1;
    }
    RunMessageLoop();
    return 0;
}
