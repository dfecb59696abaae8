// Processor time of the whole process so far (all threads, user and system), in
// milliseconds: beside wall time, what a load costs on a machine shared with others.
#pragma once

#include <sys/resource.h>

inline double CpuMs() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}
