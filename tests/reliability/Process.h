// Runs a program as a child process with a time limit and reports how it ended,
// what it wrote and its peak memory.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct ProcessResult {
    bool started = false;
    bool timedOut = false;
    int exitCode = -1;   // when it exited
    int signal = 0;      // when a signal ended it
    long maxRssKb = 0;   // peak resident set size
    double seconds = 0;
    std::string out, err;
};

struct ProcessOptions {
    std::vector<std::string> args;                          // args[0] is the program
    std::vector<std::pair<std::string, std::string>> set;   // environment to set
    std::vector<std::string> unset;                         // environment to remove
    double timeoutSeconds = 60;
    int runAsUser = -1;  // >= 0: the child drops to this user and group id (when run as root)
};

ProcessResult RunProcess(const ProcessOptions& options);

// One line for a failure message: how it ended and the tail of stderr.
std::string Describe(const ProcessResult& result);
