// nightdrive: the start menu opens first; "New Game" starts the game inside the
// menu's handler, and the program ends from one of the handlers.
//
// One option: --record [FILE] records the drive (see nightdrive(6)); ND_RECORD=FILE,
// read as the game starts, does the same for scripts.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "game/Recorder.h"
#include "menu/Menu.h"
#include "platform/Allocator.h"
#include "platform/Window.h"

namespace {

// Where --record without a file puts its recordings.
std::string DrivesFolder() {
    const char* data = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    std::filesystem::path base;
    if (data && *data) {
        base = data;
    } else if (home && *home) {
        base = std::filesystem::path(home) / ".local/share";
    } else {
        base = ".";
    }
    return (base / "nightdrive/drives").string();
}

// "--fill" (or NIGHTDRIVE_FILL=1) marks "Fill Screen" in the menu before it shows;
// "--record [FILE]" records the drive. False on anything else.
bool ReadOptions(int argc, char** argv, bool& fill) {
    const char* env = std::getenv("NIGHTDRIVE_FILL");
    fill = env != nullptr && *env != '\0' && std::strcmp(env, "0") != 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--fill") {
            fill = true;
            continue;
        }
        if (arg != "--record") return false;
        if (i + 1 < argc && argv[i + 1][0] != '-') {
            record::SetTarget(argv[++i]);
        } else {
            const std::string folder = DrivesFolder();
            std::error_code ec;
            std::filesystem::create_directories(folder, ec);
            if (ec) std::fprintf(stderr, "nightdrive: cannot make %s: %s\n", folder.c_str(), ec.message().c_str());
            record::SetTarget(folder);
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    bool fill = false;
    if (!ReadOptions(argc, argv, fill)) {
        std::fputs("usage: nightdrive [--fill] [--record [FILE]]\n", stderr);
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
