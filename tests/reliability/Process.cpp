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
    if (outFd < 0 || errFd < 0 || options.args.empty()) return result;

    std::vector<char*> argv;
    for (const std::string& a : options.args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        dup2(outFd, 1);
        dup2(errFd, 2);
        const int devNull = open("/dev/null", O_RDONLY);
        if (devNull >= 0) dup2(devNull, 0);
        for (const auto& name : options.unset) unsetenv(name.c_str());
        for (const auto& [name, value] : options.set) setenv(name.c_str(), value.c_str(), 1);
        if (options.runAsUser >= 0) {
            if (setgroups(0, nullptr) != 0 || setgid(static_cast<gid_t>(options.runAsUser)) != 0 ||
                setuid(static_cast<uid_t>(options.runAsUser)) != 0) {
                std::fprintf(stderr, "cannot drop to user %d\n", options.runAsUser);
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
        result.started = true;
        int status = 0;
        rusage usage{};
        for (;;) {
            const pid_t done = wait4(pid, &status, WNOHANG, &usage);
            if (done == pid) break;
            const double elapsed =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (done < 0) break;
            if (elapsed > options.timeoutSeconds && !result.timedOut) {
                result.timedOut = true;
                kill(-pid, SIGKILL);
                kill(pid, SIGKILL);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
        if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
        result.maxRssKb = usage.ru_maxrss;
    }
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.out = ReadAll(outPath);
    result.err = ReadAll(errPath);
    unlink(outPath);
    unlink(errPath);
    return result;
}

std::string Describe(const ProcessResult& r) {
    std::ostringstream text;
    text << (r.timedOut ? "timed out" : r.signal ? "killed by signal " + std::to_string(r.signal)
                                                 : "exit status " + std::to_string(r.exitCode))
         << " after " << r.seconds << " s, peak RSS " << r.maxRssKb << " kB; stderr:\n"
         << (r.err.size() > 4000 ? "..." + r.err.substr(r.err.size() - 4000) : r.err);
    return text.str();
}
