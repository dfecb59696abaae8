// A throw-away copy of the program and its data/ folder under a path with spaces,
// in which one thing at a time is broken. Data files are hard links to the
// originals where possible: every change unlinks first, so the originals never change.
#pragma once

#include <string>

#include "tests/reliability/Process.h"

class AppFolder {
public:
    // Copies `program` (by hard link, else by copy) and the data folder.
    explicit AppFolder(const std::string& program);
    ~AppFolder();
    AppFolder(const AppFolder&) = delete;
    AppFolder& operator=(const AppFolder&) = delete;

    bool Ready() const { return ready_; }
    const std::string& Root() const { return root_; }
    // Paths below are relative to the app folder, with '/' separators.
    std::string Full(const std::string& relative) const { return root_ + "/" + relative; }
    std::string Read(const std::string& relative) const;
    void Write(const std::string& relative, const std::string& bytes);
    void Remove(const std::string& relative);
    void MakeDirectory(const std::string& relative);
    void MakeFifo(const std::string& relative);
    void MakeSymlink(const std::string& relative, const std::string& target);
    // Gives the file its own copy (not a hard link) and mode 0.
    void MakeUnreadable(const std::string& relative);

    // Runs the copied program with these arguments on the offscreen driver.
    // With `asUser` >= 0 (needs root) the program runs as that user, for whom
    // permission bits count.
    ProcessResult Run(const std::string& args, double timeoutSeconds = 90, int asUser = -1) const;

private:
    std::string base_, root_, program_;
    bool ready_ = false;
};

// The directory of the original data files and the programs, from the build.
std::string SourceDataDir();
