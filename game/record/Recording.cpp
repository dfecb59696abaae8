#include "game/record/Recording.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/Input.h"
#include "platform/Window.h"

namespace record {

namespace {

struct KeyName {
    const char* Name;
    int ScanCode;
    int VirtualKey;
};
constexpr KeyName kKeyNames[] = {
    {"Up", DIK_UP, VK_UP},
    {"Down", DIK_DOWN, VK_DOWN},
    {"Left", DIK_LEFT, VK_LEFT},
    {"Right", DIK_RIGHT, VK_RIGHT},
    {"PageUp", DIK_PRIOR, VK_PRIOR},
    {"PageDown", DIK_NEXT, VK_NEXT},
    {"Z", DIK_Z, VK_Z},
    {"X", DIK_X, VK_X},
    {"C", DIK_C, VK_C},
    {"Q", DIK_Q, VK_Q},
};

struct SwitchName {
    const char* Name;
    bool MenuChoices::*Flag;
};
constexpr SwitchName kSwitches[] = {
    {"night", &MenuChoices::NightDriveOn},
    {"light", &MenuChoices::LightOn},
    {"fog", &MenuChoices::FogOn},
    {"wireframe", &MenuChoices::FillWireframesOn},
    {"collision", &MenuChoices::CollisionOn},
    {"textures", &MenuChoices::TexturesOn},
    {"fill", &MenuChoices::FillScreen},
};
constexpr const char* kDetailNames[] = {"low", "medium", "high"};
// More frames than any drive has (over 190 days at 60 a second); fits a 32-bit long.
constexpr long kMostFrames = 1'000'000'000;

std::string Hex(int code) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02x", code & 0xFF);
    return text;
}

// A key by name or as 0xNN; -1 where it is neither.
int KeyCode(const std::string& word, bool virtualKey) {
    for (const KeyName& key : kKeyNames) {
        if (word == key.Name) return virtualKey ? key.VirtualKey : key.ScanCode;
    }
    if (word.size() > 2 && word.size() <= 4 && word[0] == '0' && word[1] == 'x') {
        char* end = nullptr;
        const long code = std::strtol(word.c_str() + 2, &end, 16);
        if (*end == '\0' && code >= 0 && code <= 255) return static_cast<int>(code);
    }
    return -1;
}

bool Number(const std::string& word, double& value) {
    if (word.empty()) return false;
    char* end = nullptr;
    value = std::strtod(word.c_str(), &end);
    return *end == '\0' && std::isfinite(value);
}

bool Integer(const std::string& word, long& value, long least, long most) {
    if (word.empty()) return false;
    char* end = nullptr;
    value = std::strtol(word.c_str(), &end, 10);
    return *end == '\0' && value >= least && value <= most;
}

std::string Format(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

std::string Format(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    return text;
}

std::string StateWords(const MotionState& s) {
    return Format(s.PosX) + ' ' + Format(s.PosY) + ' ' + Format(s.PosZ) + ' ' + Format(s.Yaw) + ' ' + Format(s.Pitch) +
           ' ' + Format(s.Speed) + ' ' + (s.CanMove ? "1" : "0") + ' ' + std::to_string(s.Car1Z) + ' ' +
           std::to_string(s.Car2Z) + ' ' + std::to_string(s.AnimFrame);
}

bool ParseState(const std::vector<std::string>& words, std::size_t from, MotionState& s) {
    if (words.size() != from + 10) return false;
    double d[6];
    for (int i = 0; i < 6; ++i) {
        if (!Number(words[from + static_cast<std::size_t>(i)], d[i])) return false;
    }
    long canMove = 0, car1 = 0, car2 = 0, anim = 0;
    if (!Integer(words[from + 6], canMove, 0, 1) || !Integer(words[from + 7], car1, INT32_MIN, INT32_MAX) ||
        !Integer(words[from + 8], car2, INT32_MIN, INT32_MAX) ||
        !Integer(words[from + 9], anim, INT32_MIN, INT32_MAX)) {
        return false;
    }
    s = {d[0],
         d[1],
         d[2],
         static_cast<float>(d[3]),
         static_cast<float>(d[4]),
         d[5],
         canMove == 1,
         static_cast<std::int32_t>(car1),
         static_cast<std::int32_t>(car2),
         static_cast<std::int32_t>(anim)};
    return true;
}

bool ParseMenu(const std::vector<std::string>& words, MenuChoices& menu, std::string& why) {
    // menu WxH DEPTH DETAIL [switch...]
    if (words.size() < 4) {
        why = "menu needs SIZE DEPTH DETAIL [SWITCH...]";
        return false;
    }
    int w = 0, h = 0;
    char extra = 0;
    if (std::sscanf(words[1].c_str(), "%dx%d%c", &w, &h, &extra) != 2 || w < 1 || h < 1 || w > 16384 || h > 16384) {
        why = "bad screen size '" + words[1] + "'";
        return false;
    }
    menu.Width = w;
    menu.Height = h;
    if (words[2] != "16" && words[2] != "32") {
        why = "bad depth '" + words[2] + "' (16 or 32)";
        return false;
    }
    menu.Use32Bit = words[2] == "32";
    const auto detail = std::find(std::begin(kDetailNames), std::end(kDetailNames), words[3]);
    if (detail == std::end(kDetailNames)) {
        why = "bad detail '" + words[3] + "' (low, medium or high)";
        return false;
    }
    menu.DetailLevel = static_cast<int>(detail - std::begin(kDetailNames)) + 1;
    for (const SwitchName& s : kSwitches) menu.*s.Flag = false;
    for (std::size_t i = 4; i < words.size(); ++i) {
        const auto s = std::find_if(std::begin(kSwitches), std::end(kSwitches),
                                    [&](const SwitchName& n) { return words[i] == n.Name; });
        if (s == std::end(kSwitches)) {
            why = "unknown switch '" + words[i] + "'";
            return false;
        }
        menu.*s->Flag = true;
    }
    return true;
}

// The event of a line "FRAME YIELD EVENT ARGS..."; false with the reason.
bool ParseEvent(const std::vector<std::string>& words, Event& e, std::string& why) {
    const std::string& name = words[2];
    const std::size_t args = words.size() - 3;
    const auto arg = [&](std::size_t i) -> const std::string& { return words[3 + i]; };
    long code = 0, shift = 0;
    double x = 0, y = 0;
    if (name == "keydown") {
        e.Kind = EventKind::KeyDown;
        e.Code = args == 2 ? KeyCode(arg(0), true) : -1;
        if (e.Code < 0 || !Integer(arg(1), shift, 0, 7)) {
            why = "keydown needs KEY SHIFT";
            return false;
        }
    } else if (name == "mousemove") {
        e.Kind = EventKind::MouseMove;
        if (args != 4 || !Number(arg(0), x) || !Number(arg(1), y) || !Integer(arg(2), code, 0, 7) ||
            !Integer(arg(3), shift, 0, 7)) {
            why = "mousemove needs X Y BUTTONS SHIFT";
            return false;
        }
    } else if (name == "click") {
        e.Kind = EventKind::Click;
        if (args != 4 || !Integer(arg(0), code, 1, 4) || !Integer(arg(1), shift, 0, 7) || !Number(arg(2), x) ||
            !Number(arg(3), y)) {
            why = "click needs BUTTON SHIFT X Y";
            return false;
        }
    } else if (name == "close" || name == "tick") {
        e.Kind = name == "close" ? EventKind::Close : EventKind::Tick;
        if (args != 0) {
            why = name + " takes no arguments";
            return false;
        }
    } else {
        why = "unknown event '" + name + "'";
        return false;
    }
    if (e.Kind != EventKind::KeyDown) e.Code = static_cast<int>(code);
    e.Shift = static_cast<int>(shift);
    e.X = static_cast<float>(x);
    e.Y = static_cast<float>(y);
    return true;
}

std::uint64_t DigestFile(const std::filesystem::path& path, bool& ok) {
    std::ifstream in(path, std::ios::binary);
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
    char buffer[65536];
    while (in) {
        in.read(buffer, sizeof buffer);
        for (std::streamsize i = 0; i < in.gcount(); ++i) {
            hash = (hash ^ static_cast<unsigned char>(buffer[i])) * 1099511628211ull;
        }
    }
    ok = in.eof();
    return hash;
}

}  // namespace

std::string ScanCodeName(int scanCode) {
    for (const KeyName& key : kKeyNames) {
        if (key.ScanCode == scanCode) return key.Name;
    }
    return Hex(scanCode);
}

std::string VirtualKeyName(int virtualKey) {
    for (const KeyName& key : kKeyNames) {
        if (key.VirtualKey == virtualKey) return key.Name;
    }
    return Hex(virtualKey);
}

bool KeyByName(const std::string& name, int& scanCode, int& virtualKey) {
    for (const KeyName& key : kKeyNames) {
        if (name == key.Name) {
            scanCode = key.ScanCode;
            virtualKey = key.VirtualKey;
            return true;
        }
    }
    return false;
}

std::string HeaderLines(const std::string& program, const MenuChoices& menu, const std::vector<WorldFile>& world) {
    std::string text = std::string(kMagic) + ' ' + std::to_string(kVersion) + '\n';
    text += "program " + program + '\n';
    text += "menu " + std::to_string(menu.Width) + 'x' + std::to_string(menu.Height) + ' ' +
            (menu.Use32Bit ? "32" : "16") + ' ' + kDetailNames[std::clamp(menu.DetailLevel, 1, 3) - 1];
    for (const SwitchName& s : kSwitches) {
        if (menu.*s.Flag) text += std::string(" ") + s.Name;
    }
    text += '\n';
    for (const WorldFile& file : world) {
        char digest[20];
        std::snprintf(digest, sizeof digest, "%016llx", static_cast<unsigned long long>(file.Digest));
        text += "world " + file.Path + ' ' + digest + '\n';
    }
    return text;
}

std::string KeysLine(long frame, const KeyState& keys) {
    std::string line = std::to_string(frame) + " keys";
    for (int scan = 0; scan < 256; ++scan) {
        if (keys[static_cast<std::size_t>(scan)] != 0) line += ' ' + ScanCodeName(scan);
    }
    return line + '\n';
}

std::string EventLine(const Event& e) {
    std::string line = std::to_string(e.Frame) + ' ' + std::to_string(e.Yield) + ' ';
    const std::string shift = std::to_string(e.Shift);
    switch (e.Kind) {
        case EventKind::KeyDown:
            line += "keydown " + VirtualKeyName(e.Code) + ' ' + shift;
            break;
        case EventKind::MouseMove:
            line += "mousemove " + Format(e.X) + ' ' + Format(e.Y) + ' ' + std::to_string(e.Code) + ' ' + shift;
            break;
        case EventKind::Click:
            line += "click " + std::to_string(e.Code) + ' ' + shift + ' ' + Format(e.X) + ' ' + Format(e.Y);
            break;
        case EventKind::Close:
            line += "close";
            break;
        case EventKind::Tick:
            line += "tick";
            break;
    }
    return line + '\n';
}

std::string CheckLine(long frame, const MotionState& state) {
    return std::to_string(frame) + " check " + StateWords(state) + '\n';
}

std::string TimeLine(long frame, double ms) {
    char text[64];
    std::snprintf(text, sizeof text, "%ld time %.3f\n", frame, ms);
    return text;
}

std::string EndLine(long frame, const MotionState& state) {
    return std::to_string(frame) + " end " + StateWords(state) + '\n';
}

bool Parse(const std::string& text, Recording& out, std::string& error) {
    out = Recording{};
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    bool sawMenu = false, ended = false;
    long lastFrame = 0;
    int lastYield = 0;
    const auto fail = [&](const std::string& what) {
        error = "line " + std::to_string(number) + ": " + what;
        return false;
    };
    while (std::getline(lines, line)) {
        ++number;
        if (lines.eof() && !text.empty() && text.back() != '\n') return fail("cut short (no end of line)");
        if (number == 1) {
            std::istringstream words(line);
            std::string magic, version;
            words >> magic >> version;
            if (magic != kMagic) return fail(std::string("not a recording (it starts '") + kMagic + " VERSION')");
            long v = 0;
            if (!Integer(version, v, 0, 1000000)) return fail("bad version '" + version + "'");
            if (v < kOldestVersion || v > kVersion) {
                return fail("version " + version + " is not supported (this program reads versions " +
                            std::to_string(kOldestVersion) + " to " + std::to_string(kVersion) + ")");
            }
            continue;
        }
        if (const auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
        std::vector<std::string> words;
        {
            std::istringstream split(line);
            for (std::string w; split >> w;) words.push_back(w);
        }
        if (words.empty()) continue;
        if (ended) return fail("text after the end line");
        long frame = 0;
        if (!Integer(words[0], frame, 0, kMostFrames)) {
            // Header lines come before the first frame.
            if (lastFrame > 0) return fail("'" + words[0] + "' where a frame number was expected");
            if (words[0] == "program") {
                const std::size_t text = line.find_first_not_of(" \t", line.find("program") + 7);
                out.Program = text == std::string::npos ? std::string() : line.substr(text);
            } else if (words[0] == "menu") {
                std::string why;
                if (!ParseMenu(words, out.Menu, why)) return fail(why);
                sawMenu = true;
            } else if (words[0] == "world") {
                WorldFile file;
                char* end = nullptr;
                if (words.size() == 3) file.Digest = std::strtoull(words[2].c_str(), &end, 16);
                if (words.size() != 3 || words[2].size() != 16 || *end != '\0') return fail("world needs PATH DIGEST");
                file.Path = words[1];
                out.World.push_back(file);
            } else {
                return fail("unknown header line '" + words[0] + "'");
            }
            continue;
        }
        if (!sawMenu) return fail("a frame before the menu line");
        if (frame < 1) return fail("frames count from 1");
        if (frame < lastFrame) {
            return fail("frame " + std::to_string(frame) + " comes after frame " + std::to_string(lastFrame) +
                        " (out of order)");
        }
        if (frame > lastFrame) lastYield = 0;
        lastFrame = frame;
        if (words.size() < 2) return fail("nothing after the frame number");
        const std::string& what = words[1];
        if (what == "keys") {
            KeyRead read{frame, {}};
            for (std::size_t i = 2; i < words.size(); ++i) {
                const int scan = KeyCode(words[i], false);
                if (scan < 0) return fail("unknown key '" + words[i] + "'");
                read.Keys[static_cast<std::size_t>(scan)] = 0x80;
            }
            out.KeyReads.push_back(read);
        } else if (what == "time") {
            double ms = 0;
            if (words.size() != 3 || !Number(words[2], ms)) return fail("time needs MILLISECONDS");
            if (frame != static_cast<long>(out.FrameTimesMs.size()) + 1) {
                return fail("time of frame " + std::to_string(frame) + " where frame " +
                            std::to_string(out.FrameTimesMs.size() + 1) + " was due");
            }
            if (!out.FrameTimesMs.empty() && ms < out.FrameTimesMs.back()) return fail("time goes back");
            out.FrameTimesMs.push_back(ms);
        } else if (what == "check" || what == "end") {
            MotionState state;
            if (!ParseState(words, 2, state)) {
                return fail(what + " needs PosX PosY PosZ Yaw Pitch Speed CanMove Car1Z Car2Z AnimFrame");
            }
            if (what == "check") {
                out.Checks.push_back({frame, state});
            } else {
                out.EndFrame = frame;
                out.EndState = state;
                ended = true;
            }
        } else {
            long yield = 0;
            if (!Integer(what, yield, 0, 1000000)) return fail("unknown item '" + what + "'");
            if (yield != kCameraYield && yield != kLoopYield) return fail("yield " + what + " (1 or 2)");
            if (words.size() < 3) return fail("an event is missing after the yield");
            if (yield < lastYield) {
                return fail("yield " + what + " comes after yield " + std::to_string(lastYield) + " of frame " +
                            std::to_string(frame) + " (out of order)");
            }
            lastYield = static_cast<int>(yield);
            Event e;
            e.Frame = frame;
            e.Yield = static_cast<int>(yield);
            std::string why;
            if (!ParseEvent(words, e, why)) return fail(why);
            out.Events.push_back(e);
        }
    }
    if (number == 0) {
        error = "empty file";
        return false;
    }
    if (!ended) {
        error = "truncated: no end line (the recording stops at line " + std::to_string(number) +
                (lastFrame > 0 ? ", frame " + std::to_string(lastFrame) : std::string()) + ")";
        return false;
    }
    if (!out.Events.empty() &&
        (out.Events.back().Kind == EventKind::Click || out.Events.back().Kind == EventKind::Close)) {
        return true;
    }
    error = "line " + std::to_string(number) + ": the end comes after no click or close";
    return false;
}

std::string Differences(const MotionState& a, const MotionState& b) {
    std::string out;
    const auto add = [&](const char* name, const std::string& recorded, const std::string& replayed) {
        if (!out.empty()) out += "; ";
        out += std::string(name) + ' ' + recorded + " recorded, " + replayed + " replayed";
    };
    const auto near = [](double x, double y) { return std::fabs(x - y) <= 1e-6 * std::max(1.0, std::fabs(x)); };
    if (!near(a.PosX, b.PosX)) add("PosX", Format(a.PosX), Format(b.PosX));
    if (!near(a.PosY, b.PosY)) add("PosY", Format(a.PosY), Format(b.PosY));
    if (!near(a.PosZ, b.PosZ)) add("PosZ", Format(a.PosZ), Format(b.PosZ));
    if (!near(a.Yaw, b.Yaw)) add("Yaw", Format(a.Yaw), Format(b.Yaw));
    if (!near(a.Pitch, b.Pitch)) add("Pitch", Format(a.Pitch), Format(b.Pitch));
    if (!near(a.Speed, b.Speed)) add("Speed", Format(a.Speed), Format(b.Speed));
    if (a.CanMove != b.CanMove) add("CanMove", a.CanMove ? "1" : "0", b.CanMove ? "1" : "0");
    if (a.Car1Z != b.Car1Z) add("Car1Z", std::to_string(a.Car1Z), std::to_string(b.Car1Z));
    if (a.Car2Z != b.Car2Z) add("Car2Z", std::to_string(a.Car2Z), std::to_string(b.Car2Z));
    if (a.AnimFrame != b.AnimFrame) add("AnimFrame", std::to_string(a.AnimFrame), std::to_string(b.AnimFrame));
    return out;
}

std::vector<WorldFile> DigestWorld(const std::string& dataFolder) {
    namespace fs = std::filesystem;
    std::vector<WorldFile> files;
    std::error_code ec;
    const fs::path root(dataFolder);
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        bool ok = false;
        const std::uint64_t digest = DigestFile(it->path(), ok);
        if (!ok) continue;
        files.push_back({it->path().lexically_relative(root).generic_string(), digest});
    }
    std::sort(files.begin(), files.end(), [](const WorldFile& a, const WorldFile& b) { return a.Path < b.Path; });
    return files;
}

}  // namespace record
