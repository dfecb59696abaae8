// nightdrive-xinfo: one line per file, exit status 0 only when every file loaded.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "TestMeshes.h"

namespace {

struct XInfoRun {
    int Status = -1;
    std::string Output;
    std::string Errors;
};

std::string Take(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    std::remove(path.c_str());
    return text.str();
}

XInfoRun RunXInfo(const std::string& args) {
    // The tests run as separate processes side by side: each run's files are its own.
    static int runs = 0;
    const std::string stem = ::testing::TempDir() + "/xinfo_" + std::to_string(getpid()) + "_" + std::to_string(++runs);
    const std::string outPath = stem + "_output.txt";
    const std::string errPath = stem + "_errors.txt";
    const std::string command = std::string(ND_XINFO_PATH) + " " + args + " > " + outPath + " 2> " + errPath;
    const int raw = std::system(command.c_str());
    XInfoRun run;
    run.Status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.Output = Take(outPath);
    run.Errors = Take(errPath);
    return run;
}

}  // namespace

TEST(XInfo, ReportsEachFileAndFailsWhenAnyFails) {
    const std::string dir = ::testing::TempDir();
    const std::string good = dir + "/xinfo_good.x";
    const std::string bad = dir + "/xinfo_bad.x";
    {
        xtest::XWriter w(xtest::Encoding::BinaryZip);
        xtest::WriteMesh(w, xtest::Grid(4));
        std::ofstream(good, std::ios::binary) << w.Finish();
        std::ofstream(bad, std::ios::binary) << "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,9;; }";
    }
    const XInfoRun ok = RunXInfo(good);
    EXPECT_EQ(ok.Status, 0);
    EXPECT_EQ(ok.Output, good + " ok vertices=25 faces=32 materials=2 subsets=2\n");

    const XInfoRun mixed = RunXInfo(good + " " + bad + " " + dir + "/xinfo_missing.x");
    EXPECT_EQ(mixed.Status, 1);
    EXPECT_EQ(mixed.Output, good + " ok vertices=25 faces=32 materials=2 subsets=2\n" + bad +
                                " fail face index out of range\n" + dir + "/xinfo_missing.x fail file not found\n");
    std::remove(good.c_str());
    std::remove(bad.c_str());
}

TEST(XInfo, HelpVersionAndUnknownOptions) {
    const std::string usage = RunXInfo("--help").Output;
    ASSERT_EQ(usage.rfind("usage: nightdrive-xinfo", 0), 0u) << usage;
    struct Case {
        const char* Args;
        int Status;
        std::string Output;
        std::string Errors;
    };
    const std::vector<Case> cases = {
        {"--help", 0, usage, ""},
        {"--help --no-such-option", 0, usage, ""},
        {"--version", 0, std::string("nightdrive-xinfo ") + ND_VERSION + "\n", ""},
        {"", 2, "", usage},
        {"--", 2, "", usage},
        {"-x", 2, "", "nightdrive-xinfo: unknown option '-x'\n" + usage},
        {"--verbose", 2, "", "nightdrive-xinfo: unknown option '--verbose'\n" + usage},
        {"-", 2, "", "nightdrive-xinfo: unknown option '-'\n" + usage},
        {"-- --help", 1, "--help fail file not found\n", ""},
        {"-- -x --version", 1, "-x fail file not found\n--version fail file not found\n", ""},
    };
    for (const Case& c : cases) {
        const XInfoRun run = RunXInfo(c.Args);
        EXPECT_EQ(run.Status, c.Status) << c.Args;
        EXPECT_EQ(run.Output, c.Output) << c.Args;
        EXPECT_EQ(run.Errors, c.Errors) << c.Args;
    }
}
