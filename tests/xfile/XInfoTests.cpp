// nightdrive-xinfo: one line per file, exit status 0 only when every file loaded.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "XWriter.h"

namespace {

struct XInfoRun {
    int status = -1;
    std::string output;
};

XInfoRun RunXInfo(const std::string& args) {
    const std::string outPath = ::testing::TempDir() + "/xinfo_output.txt";
    const std::string command = std::string(ND_XINFO_PATH) + " " + args + " > " + outPath + " 2>&1";
    const int raw = std::system(command.c_str());
    XInfoRun run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ifstream in(outPath);
    std::stringstream text;
    text << in.rdbuf();
    run.output = text.str();
    std::remove(outPath.c_str());
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
    EXPECT_EQ(ok.status, 0);
    EXPECT_EQ(ok.output, good + " ok vertices=25 faces=32 materials=2 subsets=2\n");

    const XInfoRun mixed = RunXInfo(good + " " + bad + " " + dir + "/xinfo_missing.x");
    EXPECT_EQ(mixed.status, 1);
    EXPECT_EQ(mixed.output, good + " ok vertices=25 faces=32 materials=2 subsets=2\n" + bad +
                                " fail face index out of range\n" + dir + "/xinfo_missing.x fail file not found\n");
    std::remove(good.c_str());
    std::remove(bad.c_str());
}
