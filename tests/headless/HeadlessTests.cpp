// The real program run headless on scripts: the per-frame trace and the
// screenshots say what it did.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tools/png/Png.h"

namespace {

namespace fs = std::filesystem;

using Frame = std::map<std::string, std::string>;

// The fill modes as the trace writes them (the device's D3DFILL_SOLID and
// D3DFILL_WIREFRAME).
constexpr const char* kFillSolid = "3";
constexpr const char* kFillWireframe = "2";

// The trace is one flat JSON object per line; values are numbers, booleans,
// null, or a list of numbers.
Frame ParseLine(const std::string& line) {
    Frame frame;
    std::size_t i = 1;
    while (i < line.size() && line[i] == '"') {
        const std::size_t keyEnd = line.find('"', i + 1);
        const std::string key = line.substr(i + 1, keyEnd - i - 1);
        std::size_t valueStart = keyEnd + 2;
        std::size_t valueEnd =
            line[valueStart] == '[' ? line.find(']', valueStart) + 1 : line.find_first_of(",}", valueStart);
        frame[key] = line.substr(valueStart, valueEnd - valueStart);
        i = valueEnd + 1;
    }
    return frame;
}

struct RunResult {
    int Status = -1;
    std::vector<Frame> Frames;  // frames[0] is frame 1
    std::string StderrText;
    std::string StdoutText;
};

class HeadlessTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("nd-headless-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    RunResult Start(const std::string& args, const std::string& script = "") {
        const fs::path trace = dir / "trace.jsonl";
        std::string command = std::string(ND_HEADLESS) + " --trace " + trace.string() + " " + args;
        if (!script.empty()) {
            std::ofstream(dir / "input.txt") << script;
            command += " --input " + (dir / "input.txt").string();
        }
        command += " >" + (dir / "stdout.txt").string() + " 2>" + (dir / "stderr.txt").string();
        RunResult run;
        const int raw = std::system(command.c_str());
        run.Status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        std::ifstream in(trace);
        for (std::string line; std::getline(in, line);) run.Frames.push_back(ParseLine(line));
        std::stringstream err;
        err << std::ifstream(dir / "stderr.txt").rdbuf();
        run.StderrText = err.str();
        std::stringstream out;
        out << std::ifstream(dir / "stdout.txt").rdbuf();
        run.StdoutText = out.str();
        return run;
    }

    static double Num(const Frame& f, const char* key) { return std::stod(f.at(key)); }

    // A number in the --bench summary, also inside its nested object; NaN when the
    // field is missing.
    static double Field(const std::string& summary, const std::string& key) {
        const std::size_t at = summary.find("\"" + key + "\":");
        if (at == std::string::npos) return std::nan("");
        return std::strtod(summary.c_str() + at + key.size() + 3, nullptr);
    }

    fs::path dir;
};

TEST_F(HeadlessTest, HeldUpMovesAlongTheHeading) {
    const RunResult run = Start("--frames 101 --size 640x480", "1 keydown Up\n101 keyup Up\n");
    ASSERT_EQ(run.Status, 0) << run.StderrText;
    ASSERT_EQ(run.Frames.size(), 101u);
    // Frame 1 steps along the start heading; the start-up's re-centring move then
    // turns the view at that frame's yield, and every later step follows the new one.
    const auto angleOf = [](double yaw) { return static_cast<double>(6.2831855f - static_cast<float>(yaw)); };
    double x = -160 + std::sin(angleOf(3.5)) * 0.5, z = 120 + std::cos(angleOf(3.5)) * 0.5;
    const double angle = angleOf(Num(run.Frames[0], "Yaw"));
    for (int i = 1; i < 100; ++i) {
        x += std::sin(angle) * 0.5;
        z += std::cos(angle) * 0.5;
    }
    EXPECT_DOUBLE_EQ(Num(run.Frames[99], "PosX"), x);
    EXPECT_DOUBLE_EQ(Num(run.Frames[99], "PosZ"), z);
    EXPECT_EQ(run.Frames[100].at("PosX"), run.Frames[99].at("PosX")) << "released before frame 101's read";
    EXPECT_EQ(run.Frames[0].at("Scenes"), "21");
    EXPECT_EQ(run.Frames[0].at("CursorShown"), "false");
}

TEST_F(HeadlessTest, CarModeStopsAtTheWall) {
    // Facing the north wall (z 133) from the start: yaw 0 looks along +z. Turn
    // left by the mouse first? Simpler: drive the heading the start gives for a
    // long time; the yard's walls stop the car wherever it meets them.
    const RunResult run = Start("--frames 400 --size 640x480 --collision", "1 keydown Up\n");
    ASSERT_EQ(run.Status, 0) << run.StderrText;
    const Frame& last = run.Frames.back();
    EXPECT_EQ(last.at("CanMove"), "false");
    const double x = Num(last, "PosX"), z = Num(last, "PosZ");
    const bool inWall = (x >= -162 && x <= -145 && ((z >= 133 && z <= 134) || (z >= 85 && z <= 86))) ||
                        (z >= 85 && z <= 133 && ((x >= -162 && x <= -161) || (x >= -147 && x <= -146)));
    EXPECT_TRUE(inWall) << x << "," << z;
    EXPECT_EQ(run.Frames[run.Frames.size() - 2].at("PosZ"), last.at("PosZ")) << "stopped";
}

TEST_F(HeadlessTest, CarsAndAnimationOverAWholeLap) {
    const RunResult run = Start("--frames 652 --size 640x480 --no-textures --no-fog");
    ASSERT_EQ(run.Status, 0) << run.StderrText;
    ASSERT_EQ(run.Frames.size(), 652u);
    EXPECT_EQ(run.Frames[0].at("Car1Z"), "-598");
    EXPECT_EQ(run.Frames[0].at("Car2Z"), "-899");
    EXPECT_EQ(run.Frames[650].at("Car1Z"), "702");
    EXPECT_EQ(run.Frames[651].at("Car1Z"), "-698");
    // At 60 frames a second the 50 ms timer steps AnimFrame every 3 frames (20 a
    // second), so the 30-step cycle takes 90 frames.
    for (std::size_t i = 0; i + 90 < run.Frames.size(); i += 7) {
        EXPECT_EQ(run.Frames[i].at("AnimFrame"), run.Frames[i + 90].at("AnimFrame")) << "frame " << i + 1;
    }
    // The mesh shown for each AnimFrame 1..30: forward, hold, back down to 2.
    const char* const meshFor[] = {"1",  "2",  "3",  "4",  "5",  "6",  "7",  "8",  "9",  "10",
                                   "11", "12", "13", "14", "15", "15", "15", "14", "13", "12",
                                   "11", "10", "9",  "8",  "7",  "6",  "5",  "4",  "3",  "2"};
    for (const Frame& f : run.Frames) {
        const int a = std::stoi(f.at("AnimFrame"));
        ASSERT_TRUE(a >= 1 && a <= 30);
        ASSERT_EQ(f.at("AnimMesh"), meshFor[a - 1]) << "AnimFrame " << a;
    }
    EXPECT_EQ(run.Frames[100].at("LightsEnabled"), "[0,1,20]");
}

TEST_F(HeadlessTest, PresetsWireframeAndMouseLook) {
    std::string script;
    for (int i = 0; i < 95; ++i) script += "2 press Z\n";
    script += "3 press C\n4 press C\n5 press C\n6 press Q\n";
    script += "8 mousemove 400 350\n9 mousemove 400 300\n10 mousemove 950 300\n";
    const RunResult run = Start("--frames 12 --size 640x480 --night", script);
    ASSERT_EQ(run.Status, 0) << run.StderrText;
    EXPECT_EQ(Num(run.Frames[1], "PosY"), 130);
    EXPECT_EQ(Num(run.Frames[2], "PosY"), 3.5);
    EXPECT_EQ(Num(run.Frames[3], "PosY"), 5.5);
    EXPECT_EQ(Num(run.Frames[4], "PosY"), 130);
    EXPECT_EQ(Num(run.Frames[4], "Pitch"), 200);
    EXPECT_EQ(run.Frames[4].at("FillMode"), kFillSolid);
    EXPECT_EQ(run.Frames[5].at("FillMode"), kFillWireframe);
    EXPECT_EQ(run.Frames[5].at("LightsEnabled"), "[0,1,2,3,20]");
    const double yaw7 = Num(run.Frames[6], "Yaw");
    EXPECT_NEAR(Num(run.Frames[7], "Yaw") - yaw7, 0.04, 1e-6) << "pointer moved left: turn left";
    // Pitch is near 200 here, where single precision steps by about 1.5e-5.
    EXPECT_NEAR(Num(run.Frames[8], "Pitch") - Num(run.Frames[7], "Pitch"), 0.04, 1e-4) << "moved up: tilt up";
    // Beyond the limit: turn right, then the re-centring move (back to 500, 350)
    // turns left and tilts down in the same yield.
    EXPECT_NEAR(Num(run.Frames[9], "Yaw") - Num(run.Frames[8], "Yaw"), 0.0, 1e-6);
    EXPECT_NEAR(Num(run.Frames[9], "Pitch") - Num(run.Frames[8], "Pitch"), -0.04, 1e-4);
}

TEST_F(HeadlessTest, ScreenshotsShowTheClearColourInTheSky) {
    struct Case {
        const char* Args;
        unsigned char R, G, B;
    };
    const Case cases[] = {{"", 0x01, 0x5A, 0xDF}, {"--night", 0, 0, 0x0A}};
    for (const auto& c : cases) {
        const fs::path shot = dir / "shot.png";
        const RunResult run = Start(std::string("--frames 3 --size 800x600 ") + c.Args + " --shot 3:" + shot.string());
        ASSERT_EQ(run.Status, 0) << run.StderrText;
        std::vector<std::uint8_t> rgba;
        int w = 0, h = 0;
        ASSERT_TRUE(png::ReadRgba(shot.string(), rgba, w, h));
        ASSERT_EQ(w, 800);
        ASSERT_EQ(h, 600);
        for (const int x : {10, 400, 790}) {
            const unsigned char* p = &rgba[static_cast<std::size_t>(2 * w + x) * 4];
            EXPECT_EQ(p[0], c.R) << c.Args << " x " << x;
            EXPECT_EQ(p[1], c.G) << c.Args << " x " << x;
            EXPECT_EQ(p[2], c.B) << c.Args << " x " << x;
        }
    }
}

// Every size and depth gives a whole picture: the sky (clear colour, or the fog
// that fades into it) along the whole top row, the world along the whole bottom row.
TEST_F(HeadlessTest, WholePictureAtEverySizeAndDepth) {
    struct Sky {
        const char* Args;
        int R, G, B;
    };
    const Sky skies[] = {{"", 0x01, 0x5A, 0xDF}, {"--night", 0x00, 0x00, 0x0A}};
    const std::pair<int, int> sizes[] = {{640, 480}, {800, 600}, {1024, 768}};
    for (const auto& [width, height] : sizes) {
        for (const int depth : {16, 32}) {
            for (const auto& sky : skies) {
                const std::string what = std::to_string(width) + "x" + std::to_string(height) + " depth " +
                                         std::to_string(depth) + " " + sky.Args;
                const fs::path shot = dir / "shot.png";
                const RunResult run =
                    Start("--frames 2 --size " + std::to_string(width) + "x" + std::to_string(height) + " --depth " +
                          std::to_string(depth) + " " + sky.Args + " --shot 2:" + shot.string());
                ASSERT_EQ(run.Status, 0) << what << run.StderrText;
                std::vector<std::uint8_t> rgba;
                int w = 0, h = 0;
                ASSERT_TRUE(png::ReadRgba(shot.string(), rgba, w, h)) << what;
                ASSERT_EQ(w, width) << what;
                ASSERT_EQ(h, height) << what;
                const auto pixel = [&](int x, int y) { return &rgba[(static_cast<std::size_t>(y) * w + x) * 4]; };
                const auto isSky = [&](const unsigned char* p, int tolerance) {
                    return std::abs(p[0] - sky.R) <= tolerance && std::abs(p[1] - sky.G) <= tolerance &&
                           std::abs(p[2] - sky.B) <= tolerance;
                };
                int skyTop = 0, skyBottom = 0;
                for (int x = 0; x < w; ++x) {
                    skyTop += isSky(pixel(x, 0), 8) ? 1 : 0;
                    skyBottom += isSky(pixel(x, h - 1), 0) ? 1 : 0;
                }
                EXPECT_EQ(skyTop, w) << what << ": the top row is not all sky";
                EXPECT_EQ(skyBottom, 0) << what << ": the bottom row shows the clear colour";
                // Nothing left black: the bottom-right corner is drawn as the bottom-left is.
                const unsigned char* corner = pixel(w - 1, h - 1);
                EXPECT_GT(corner[0] + corner[1] + corner[2], 0) << what << ": bottom-right corner black";
            }
        }
    }
}

// "Fill Screen" on screens of every shape: the whole picture is drawn, its middle
// (as wide as the 4:3 picture of its height, or all of it on a portrait screen)
// is that 4:3 picture, and the motion is the same as in the 4:3 picture.
TEST_F(HeadlessTest, FilledScreensOfEveryShape) {
    const std::pair<int, int> shapes[] = {{1280, 720}, {1920, 1080}, {2560, 1080},
                                          {1280, 800}, {1024, 768},  {720, 1280}};
    const std::string script = "1 keydown Up\n2 keydown Left\n3 mousemove 520 340\n";
    const auto shoot = [&](const std::string& args, const char* name, RunResult& run, std::vector<std::uint8_t>& rgba,
                           int& w, int& h) {
        const fs::path shot = dir / name;
        run = Start("--frames 4 " + args + " --shot 4:" + shot.string(), script);
        return run.Status == 0 && png::ReadRgba(shot.string(), rgba, w, h);
    };
    for (const auto& [width, height] : shapes) {
        const std::string what = std::to_string(width) + "x" + std::to_string(height);
        // The 4:3 picture of the same height. Where its width is whole, the menu's
        // projection draws it; elsewhere no whole width is exactly 4:3, and the
        // filled screen nearest to it stands in (every filled picture of a height
        // has the same scale), as wide as keeps the two middles on the same columns.
        const bool whole = height % 3 == 0;
        int classicWidth = static_cast<int>(std::lround(height * 4.0 / 3.0));
        if ((classicWidth - width) % 2 != 0) ++classicWidth;
        RunResult fill, classic;
        std::vector<std::uint8_t> wide, narrow;
        int w = 0, h = 0, cw = 0, ch = 0;
        ASSERT_TRUE(shoot("--fill --size " + what, "fill.png", fill, wide, w, h)) << what << fill.StderrText;
        ASSERT_TRUE(shoot(std::string(whole ? "" : "--fill ") + "--size " + std::to_string(classicWidth) + "x" +
                              std::to_string(height),
                          "classic.png", classic, narrow, cw, ch))
            << what << classic.StderrText;
        ASSERT_EQ(w, width) << what;
        ASSERT_EQ(h, height) << what;
        ASSERT_EQ(fill.Frames, classic.Frames) << what << ": the motion depends on the picture's shape";

        // The whole picture: day sky along the top row, world along the bottom, no
        // black column at either side.
        const auto at = [](const std::vector<std::uint8_t>& rgba, int pw, int x, int y) {
            return &rgba[(static_cast<std::size_t>(y) * pw + x) * 4];
        };
        const auto isSky = [](const unsigned char* p, int tolerance) {
            return std::abs(p[0] - 0x01) <= tolerance && std::abs(p[1] - 0x5A) <= tolerance &&
                   std::abs(p[2] - 0xDF) <= tolerance;
        };
        const auto black = [](const unsigned char* p) { return p[0] + p[1] + p[2] == 0; };
        int skyTop = 0, skyBottom = 0, blackSides = 0;
        for (int x = 0; x < w; ++x) {
            skyTop += isSky(at(wide, w, x, 0), 8) ? 1 : 0;
            skyBottom += isSky(at(wide, w, x, h - 1), 0) ? 1 : 0;
        }
        for (int y = 0; y < h; ++y)
            blackSides += (black(at(wide, w, 0, y)) ? 1 : 0) + (black(at(wide, w, w - 1, y)) ? 1 : 0);
        EXPECT_EQ(skyTop, w) << what << ": the top row is not all sky";
        EXPECT_EQ(skyBottom, 0) << what << ": the bottom row shows the clear colour";
        EXPECT_EQ(blackSides, 0) << what << ": black at the sides";

        // The shared middle: rasterising differences only (edge pixels of the same
        // triangles), so few pixels differ, and those mostly by little.
        const int shared = std::min(w, cw);
        const int wideLeft = (w - shared) / 2, narrowLeft = (cw - shared) / 2;
        long differing = 0;
        double sum = 0;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < shared; ++x) {
                const unsigned char* a = at(wide, w, wideLeft + x, y);
                const unsigned char* b = at(narrow, cw, narrowLeft + x, y);
                int most = 0;
                for (int c = 0; c < 3; ++c) most = std::max(most, std::abs(a[c] - b[c]));
                sum += most;
                differing += most > 24 ? 1 : 0;
            }
        }
        const double pixels = static_cast<double>(shared) * h;
        std::printf("%s: middle %dx%d against %dx%d, %.4f %% of pixels differ by more than 24, mean difference %.4f\n",
                    what.c_str(), shared, h, cw, ch, 100.0 * differing / pixels, sum / pixels);
        EXPECT_LE(differing, pixels * 0.0005) << what << ": the middle is not the 4:3 picture";
        EXPECT_LE(sum / pixels, 0.1) << what;
        if (width * 3 == height * 4) {
            EXPECT_EQ(wide, narrow) << what << ": a 4:3 screen is the 4:3 picture";
        }
    }
}

TEST_F(HeadlessTest, BadArgumentsAndMissingDataFailClearly) {
    for (const char* size : {"1x1", "0x480", "640x", "x480", "640x480x2", "99999x480", "-640x480", "640 480"}) {
        EXPECT_EQ(Start(std::string("--size '") + size + "'").Status, 2) << size;
    }
    EXPECT_EQ(Start("--frames 0").Status, 2);
    const RunResult script = Start("--frames 2", "1 jump Up\n");
    EXPECT_EQ(script.Status, 2);
    EXPECT_NE(script.StderrText.find("line 1"), std::string::npos);
}

// --- A game controller: a virtual pad plugged into SDL drives the same run ------

// The traces of two runs agree frame for frame.
void ExpectSameTraces(const RunResult& keyboard, const RunResult& pad, const std::string& what) {
    ASSERT_EQ(keyboard.Status, 0) << what << ": " << keyboard.StderrText;
    ASSERT_EQ(pad.Status, 0) << what << ": " << pad.StderrText;
    ASSERT_EQ(pad.Frames.size(), keyboard.Frames.size()) << what;
    for (std::size_t i = 0; i < pad.Frames.size(); ++i) {
        ASSERT_EQ(pad.Frames[i], keyboard.Frames[i]) << what << ": frame " << i + 1;
    }
}

// The pointer moves a script makes for per-frame steps (dx, dy) from `first` to
// `last` frame, with the game's re-centring near the edges, starting at the
// centre the game puts the pointer at.
std::string PointerMoves(int first, int last, int dx, int dy, int& x, int& y) {
    std::string script;
    for (int frame = first; frame <= last; ++frame) {
        x += dx;
        y += dy;
        script += std::to_string(frame) + " mousemove " + std::to_string(x) + " " + std::to_string(y) + "\n";
        if (x > 900 || x < 100 || y > 700 || y < 100) {
            x = 500;
            y = 350;
        }
    }
    return script;
}

TEST_F(HeadlessTest, PadDrivesAsTheKeyboardDoes) {
    // Right stick, full right then full up then 20000 left: (20000 - 8000) of
    // (32767 - 8000) past the dead zone is 3.9 of 8 pixels, rounded up to 4.
    int x = 500, y = 350;
    std::string look = PointerMoves(2, 60, 8, 0, x, y);
    look += PointerMoves(61, 70, 0, -8, x, y);
    look += PointerMoves(71, 75, -4, 0, x, y);

    struct Case {
        const char* What;
        std::string Keyboard, Pad;
        int Frames;
    };
    const Case cases[] = {
        {"held d-pad up", "2 keydown Up\n90 keyup Up\n", "1 padadd\n2 padbutton dpup down\n90 padbutton dpup up\n", 95},
        {"left stick and d-pad turn while driving",
         "2 keydown Up\n10 keydown Left\n20 keyup Left\n25 keydown Right\n30 keyup Right\n40 keyup Up\n"
         "41 keydown Down\n45 keyup Down\n",
         "1 padadd\n2 padaxis lefty -32768\n10 padbutton dpleft down\n20 padbutton dpleft up\n"
         "25 padaxis leftx 9000\n30 padaxis leftx 7999\n40 padaxis lefty -8000\n41 padbutton dpdown down\n"
         "45 padbutton dpdown up\n",
         50},
        {"buttons as keys",
         "2 press Z\n4 press Z\n5 press X\n7 press C\n8 keydown PageUp\n12 keyup PageUp\n13 keydown PageDown\n"
         "15 keyup PageDown\n16 press Q\n",
         "1 padadd\n2 padbutton y down\n3 padbutton y up\n4 padbutton y down\n5 padbutton y up\n"
         "5 padbutton x down\n6 padbutton x up\n7 padbutton b down\n8 padbutton b up\n"
         "8 padbutton leftshoulder down\n12 padbutton leftshoulder up\n13 padbutton rightshoulder down\n"
         "15 padbutton rightshoulder up\n16 padbutton back down\n17 padbutton back up\n"
         "18 padbutton a down\n19 padbutton a up\n",
         20},
        {"right stick looks", look,
         "1 padadd\n2 padaxis rightx 32767\n61 padaxis rightx 0\n61 padaxis righty -32768\n71 padaxis righty 0\n"
         "71 padaxis rightx -20000\n76 padaxis rightx 8000\n",
         80},
        {"unplugged mid-press", "2 keydown Up\n3 keydown Left\n30 keyup Up\n30 keyup Left\n",
         "1 padadd\n2 padbutton dpup down\n3 padaxis leftx -32768\n30 padremove\n", 40},
    };
    for (const Case& c : cases) {
        const std::string frames = "--frames " + std::to_string(c.Frames) + " --size 640x480";
        const RunResult keyboard = Start(frames, c.Keyboard);
        const RunResult pad = Start(frames, c.Pad);
        ExpectSameTraces(keyboard, pad, c.What);
    }
}

TEST_F(HeadlessTest, PadStartEndsTheProgramAsAClick) {
    const RunResult pad = Start("--frames 100", "1 padadd\n10 padbutton start down\n");
    const RunResult click = Start("--frames 100", "10 click\n");
    ExpectSameTraces(click, pad, "start");
    EXPECT_LT(pad.Frames.size(), 100u);
}

TEST_F(HeadlessTest, PadWalksTheMenu) {
    const std::string press = [] {
        std::string s;
        for (const char* button : {"dpdown", "dpleft", "dpdown", "dpdown", "dpdown", "a", "dpright", "dpup", "a"}) {
            s += std::string("0 padbutton ") + button + " down\n0 padbutton " + button + " up\n";
        }
        return s;
    }();
    // First d-pad press: "New Game"; left: "Render Textures"; down three times:
    // "Enable Night Drive", which A checks; right: "Exit"; up: "New Game".
    const RunResult pad = Start("--frames 5", "0 padadd\n" + press);
    const RunResult night = Start("--frames 5 --night");
    ExpectSameTraces(night, pad, "menu walk");
    EXPECT_EQ(pad.Frames.at(0).at("LightsEnabled"), "[0,1,2,3,20]");

    const RunResult exit = Start("--frames 5",
                                 "0 padadd\n0 padbutton dpdown down\n0 padbutton dpdown up\n"
                                 "0 padbutton dpdown down\n0 padbutton dpdown up\n"
                                 "0 padbutton a down\n0 padbutton a up\n");
    EXPECT_EQ(exit.Status, 0) << exit.StderrText;
    EXPECT_TRUE(exit.Frames.empty());

    const RunResult stay = Start("--frames 5", "0 padadd\n0 padbutton a down\n0 padbutton a up\n");
    EXPECT_EQ(stay.Status, 2);
    EXPECT_NE(stay.StderrText.find("did not start"), std::string::npos) << stay.StderrText;
}

TEST_F(HeadlessTest, BadPadScriptsFailClearly) {
    const char* const scripts[] = {
        "0 keydown Up\n",         "1 padbutton z down\n", "1 padbutton a sideways\n", "1 padaxis rightx 32768\n",
        "1 padaxis sideways 0\n", "-1 padadd\n",          "2 padbutton a down\n",     "1 padadd\n2 padadd\n",
    };
    for (const char* script : scripts) {
        const RunResult run = Start("--frames 3", script);
        EXPECT_EQ(run.Status, 2) << script;
        EXPECT_NE(run.StderrText.find("nightdrive-headless:"), std::string::npos) << script << run.StderrText;
    }
}

// Each mode of the runner prints its --bench summary with every field, holding
// values that fit a short run; the baselines replace the game's frames, so they
// leave no trace lines.
TEST_F(HeadlessTest, BenchSummaryInTheGameAndEveryBaseline) {
    struct Case {
        const char* Mode;
        std::size_t TraceLines;
    };
    const Case cases[] = {{"", 20}, {"--baseline clear", 0}, {"--baseline merged", 0}, {"--baseline flat", 0}};
    for (const Case& c : cases) {
        const RunResult run = Start(std::string("--frames 20 --size 640x480 --bench ") + c.Mode);
        ASSERT_EQ(run.Status, 0) << c.Mode << ": " << run.StderrText;
        EXPECT_EQ(run.Frames.size(), c.TraceLines) << c.Mode;
        const std::string& s = run.StdoutText;
        for (const char* key :
             {"load_ms", "frames", "fps", "frame_ms_p50", "frame_ms_p99", "cpu_ms_per_frame", "peak_rss_kb",
              "rss_anon_kb", "peak_rss_kb_at_1000", "rss_anon_kb_at_1000", "heap_allocs_after_1000",
              "heap_allocs_per_frame", "parse", "cleanup", "textures", "presents", "first_frame_uploads", "other"}) {
            EXPECT_FALSE(std::isnan(Field(s, key))) << c.Mode << ": no " << key << " in " << s;
        }
        EXPECT_EQ(Field(s, "frames"), 20) << c.Mode;
        EXPECT_GT(Field(s, "load_ms"), 0) << c.Mode;
        EXPECT_GT(Field(s, "fps"), 0) << c.Mode;
        EXPECT_GT(Field(s, "frame_ms_p50"), 0) << c.Mode;
        EXPECT_GE(Field(s, "frame_ms_p99"), Field(s, "frame_ms_p50")) << c.Mode;
        EXPECT_GT(Field(s, "peak_rss_kb"), 0) << c.Mode;
        EXPECT_GT(Field(s, "rss_anon_kb"), 0) << c.Mode;
        // Sampled at frame 1000 only.
        for (const char* key : {"peak_rss_kb_at_1000", "rss_anon_kb_at_1000", "heap_allocs_after_1000"}) {
            EXPECT_EQ(Field(s, key), 0) << c.Mode << " " << key;
        }
        EXPECT_GE(Field(s, "heap_allocs_per_frame"), 0) << c.Mode;
        // The world was loaded with its textures and loading lines in every mode.
        for (const char* key : {"parse", "textures", "presents"}) EXPECT_GT(Field(s, key), 0) << c.Mode << " " << key;
        for (const char* key : {"cleanup", "first_frame_uploads", "other"}) {
            EXPECT_GE(Field(s, key), 0) << c.Mode << " " << key;
        }
        const double parts =
            Field(s, "parse") + Field(s, "cleanup") + Field(s, "textures") + Field(s, "presents") + Field(s, "other");
        EXPECT_LE(parts, Field(s, "load_ms") + 0.5) << c.Mode << ": the load's parts exceed it";
    }
}

// Skipping the clusters that lie outside the view changes no pixel: each scripted
// run is made with culling on and off, and every presented frame and the trace
// must be the same, byte for byte. With culling on, some views must skip clusters.
TEST_F(HeadlessTest, ClusterCullingChangesNoPixel) {
    struct Case {
        const char* Name;
        const char* Args;
        std::string Script;
        bool Skips;  // some frame of the run leaves clusters out
    };
    std::string aerial;
    for (int i = 0; i < 95; ++i) aerial += "2 press Z\n";
    aerial += "3 keydown PageDown\n8 keyup PageDown\n10 keydown Left\n";
    std::string mouse;
    for (int i = 0; i < 12; ++i) {
        mouse += std::to_string(2 + i * 2) + " mousemove " + std::to_string(520 + i * 40) + " 330\n";
    }
    const Case cases[] = {
        {"day, turning", "--size 640x480", "1 keydown Up\n4 keydown Left\n", true},
        {"night, turning back", "--size 800x600 --night", "1 keydown Right\n20 keydown Down\n", true},
        {"no fog, no textures", "--size 1024x768 --no-fog --no-textures --depth 32", "1 keydown Left\n", true},
        {"wireframe", "--size 640x480 --wireframe", "1 keydown Left\n10 keydown PageUp\n", true},
        {"car mode at the wall", "--size 640x480 --collision --night", "1 keydown Up\n", false},
        {"aerial preset", "--size 800x600", aerial, true},
        {"mouse look", "--size 640x480 --night --detail high", mouse, true},
        {"Fill Screen, wide", "--size 1280x720 --fill --night", "1 keydown Right\n", true},
    };
    for (const Case& c : cases) {
        std::string hashes[2], traces[2], summaries[2];
        for (int off = 0; off < 2; ++off) {
            const fs::path hashFile = dir / "hashes.txt";
            const RunResult run = Start(std::string("--frames 40 --bench ") + c.Args + " --frame-hashes " +
                                            hashFile.string() + (off != 0 ? " --no-cull" : ""),
                                        c.Script);
            ASSERT_EQ(run.Status, 0) << c.Name << ": " << run.StderrText;
            std::stringstream text;
            text << std::ifstream(hashFile).rdbuf();
            hashes[off] = text.str();
            std::stringstream trace;
            trace << std::ifstream(dir / "trace.jsonl").rdbuf();
            traces[off] = trace.str();
            summaries[off] = run.StdoutText;
        }
        EXPECT_EQ(std::count(hashes[0].begin(), hashes[0].end(), '\n'), 40) << c.Name;
        EXPECT_EQ(hashes[0], hashes[1]) << c.Name << ": a frame differs with culling on and off";
        EXPECT_EQ(traces[0], traces[1]) << c.Name;
        const double drawn = Field(summaries[0], "clusters"), asked = Field(summaries[0], "of_clusters");
        EXPECT_GT(drawn, 0) << c.Name;
        if (c.Skips) {
            EXPECT_LT(drawn, asked) << c.Name << ": nothing was culled";
        }
        EXPECT_EQ(Field(summaries[1], "clusters"), Field(summaries[1], "of_clusters")) << c.Name;
        EXPECT_EQ(Field(summaries[1], "triangles"), Field(summaries[1], "of_triangles")) << c.Name;
    }
}

}  // namespace
