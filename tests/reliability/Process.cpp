#include "tests/reliability/Process.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

ProcessResult RunProcess(const ProcessOptions& options) {
    ProcessResult result;
    char outPath[] = "/tmp/nd-reliability-out-XXXXXX";
    char errPath[] = "/tmp/nd-reliability-err-XXXXXX";
    const int outFd = mkstemp(outPath);
    const int errFd = mkstemp(errPath);
    if (outFd < 0 || errFd < 0 || options.Args.empty()) return result;

    std::vector<char*> argv;
    for (const std::string& a : options.Args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        dup2(outFd, 1);
        dup2(errFd, 2);
        const int devNull = open("/dev/null", O_RDONLY);
        if (devNull >= 0) dup2(devNull, 0);
        for (const auto& name : options.Unset) unsetenv(name.c_str());
        for (const auto& [name, value] : options.Set) setenv(name.c_str(), value.c_str(), 1);
        if (options.RunAsUser >= 0) {
            if (setgroups(0, nullptr) != 0 || setgid(static_cast<gid_t>(options.RunAsUser)) != 0 ||
                setuid(static_cast<uid_t>(options.RunAsUser)) != 0) {
                std::fprintf(stderr, "cannot drop to user %d\n", options.RunAsUser);
                _exit(126);
            }
        }
        execv(argv[0], argv.data());
        std::fprintf(stderr, "cannot run %s\n", argv[0]);
        _exit(127);
    }
    close(outFd);
    close(errFd);
    if (pid > 0) {
        result.Started = true;
        int status = 0;
        rusage usage{};
        for (;;) {
            const pid_t done = wait4(pid, &status, WNOHANG, &usage);
            if (done == pid) break;
            const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (done < 0) break;
            if (elapsed > options.TimeoutSeconds && !result.TimedOut) {
                result.TimedOut = true;
                kill(-pid, SIGKILL);
                kill(pid, SIGKILL);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (WIFEXITED(status)) result.ExitCode = WEXITSTATUS(status);
        if (WIFSIGNALED(status)) result.Signal = WTERMSIG(status);
        result.MaxRssKb = usage.ru_maxrss;
    }
    result.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.Out = ReadAll(outPath);
    result.Err = ReadAll(errPath);
    unlink(outPath);
    unlink(errPath);
    return result;
}

std::string Describe(const ProcessResult& r) {
    std::ostringstream text;
    text << (r.TimedOut ? "timed out"
             : r.Signal ? "killed by signal " + std::to_string(r.Signal)
                        : "exit status " + std::to_string(r.ExitCode))
         << " after " << r.Seconds << " s, peak RSS " << r.MaxRssKb << " kB; stderr:\n"
         << (r.Err.size() > 4000 ? "..." + r.Err.substr(r.Err.size() - 4000) : r.Err);
    return text.str();
}
