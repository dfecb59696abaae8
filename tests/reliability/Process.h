// Runs a program as a child process with a time limit and reports how it ended,
// what it wrote and its peak memory.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct ProcessResult {
    bool Started = false;
    bool TimedOut = false;
    int ExitCode = -1;  // when it exited
    int Signal = 0;     // when a signal ended it
    long MaxRssKb = 0;  // peak resident set size
    double Seconds = 0;
    std::string Out, Err;
};

struct ProcessOptions {
    std::vector<std::string> Args;                         // args[0] is the program
    std::vector<std::pair<std::string, std::string>> Set;  // environment to set
    std::vector<std::string> Unset;                        // environment to remove
    double TimeoutSeconds = 60;
    int RunAsUser = -1;  // >= 0: the child drops to this user and group id (when run as root)
};

ProcessResult RunProcess(const ProcessOptions& options);

// One line for a failure message: how it ended and the tail of stderr.
std::string Describe(const ProcessResult& result);
