// Frame times, memory and allocation counts, and the one-line summary --bench prints.
#include <sys/resource.h>

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <vector>

#include "tools/headless/Run.h"

namespace {

// The process's own anonymous memory now (heap and private mappings), from
// /proc: peak RSS also counts the renderer's shared libraries.
long RssAnonKb() {
    FILE* status = std::fopen("/proc/self/status", "r");
    if (!status) return 0;
    char line[256];
    long kb = 0;
    while (std::fgets(line, sizeof line, status)) {
        if (std::sscanf(line, "RssAnon: %ld kB", &kb) == 1) break;
    }
    std::fclose(status);
    return kb;
}

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t i = std::min(values.size() - 1, static_cast<std::size_t>(std::ceil(p * values.size())) - 1);
    return values[i];
}

// Processor time, user and system, in milliseconds.
double CpuMs(const rusage& usage) {
    return 1000.0 * static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

// A sum over the presented frames as a mean per frame.
double PerFrame(std::uint64_t sum) {
    return run.CountedFrames > 0 ? static_cast<double>(sum) / static_cast<double>(run.CountedFrames) : 0.0;
}

}  // namespace

void RecordFrameTime() {
    const auto now = Clock::now();
    if (run.Frame == 1) {
        run.LoadMs = std::chrono::duration<double, std::milli>(now - run.NewGame).count();
        run.FirstFrameMs = std::chrono::duration<double, std::milli>(now - run.FrameStart).count();
        run.AllocationsAfterFirst = Allocations();
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        run.CpuMsAfterFirst = CpuMs(usage);
    } else {
        run.FrameMs.push_back(std::chrono::duration<double, std::milli>(now - run.LastFrame).count());
    }
    run.LastFrame = now;
}

void SampleSettledMemory() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    run.PeakRssAt1000Kb = usage.ru_maxrss;
    run.RssAnonAt1000Kb = RssAnonKb();
    run.AllocationsAt1000 = Allocations();
}

void WriteBench() {
    // Taken first: the summary below allocates.
    const std::uint64_t allocationsNow = Allocations();
    std::vector<double> rates;
    const std::size_t window = run.FrameMs.size() >= 60 ? 30 : std::max<std::size_t>(1, run.FrameMs.size());
    for (std::size_t start = 0; start + window <= run.FrameMs.size(); start += window) {
        double total = 0;
        for (std::size_t i = start; i < start + window; ++i) total += run.FrameMs[i];
        if (total > 0) rates.push_back(1000.0 * static_cast<double>(window) / total);
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double framesAfterFirst = static_cast<double>(run.Frame > 1 ? run.Frame - 1 : 1);
    const StartupTimes& t = Times();
    const double p50 = Percentile(run.FrameMs, 0.5);
    // The first frame uploads every mesh; what it takes beyond a usual frame.
    const double uploadMs = std::max(0.0, run.FirstFrameMs - p50);
    const double otherMs =
        std::max(0.0, run.LoadMs - t.ParseMs - t.CleanupMs - t.TextureMs - t.PresentMs - run.FirstFrameMs);
    std::printf(
        "{\"load_ms\":%.1f,\"frames\":%ld,\"fps\":%.1f,\"frame_ms_p50\":%.3f,\"frame_ms_p99\":%.3f,\"cpu_ms_per_"
        "frame\":%.2f,"
        "\"peak_rss_kb\":%ld,\"rss_anon_kb\":%ld,\"peak_rss_kb_at_1000\":%ld,\"rss_anon_kb_at_1000\":%ld,"
        "\"heap_allocs_after_1000\":%" PRIu64
        ",\"heap_allocs_per_frame\":%.2f,\"load_split_ms\":{\"parse\":%.1f,\"cleanup\":%.1f,"
        "\"textures\":%.1f,\"presents\":%.1f,\"first_frame_uploads\":%.1f,\"other\":%.1f},"
        "\"drawn_per_frame\":{\"clusters\":%.1f,\"of_clusters\":%.1f,\"triangles\":%.1f,\"of_triangles\":%.1f,"
        "\"vertices\":%.1f,\"of_vertices\":%.1f,\"draws\":%.1f}}\n",
        run.LoadMs, run.Frame, Percentile(rates, 0.5), p50, Percentile(run.FrameMs, 0.99),
        (CpuMs(usage) - run.CpuMsAfterFirst) / framesAfterFirst, usage.ru_maxrss, RssAnonKb(), run.PeakRssAt1000Kb,
        run.RssAnonAt1000Kb, run.Frame >= 1000 ? allocationsNow - run.AllocationsAt1000 : std::uint64_t{0},
        static_cast<double>(allocationsNow - run.AllocationsAfterFirst) / framesAfterFirst, t.ParseMs, t.CleanupMs,
        t.TextureMs, t.PresentMs, uploadMs, otherMs, PerFrame(run.Drawn.Clusters), PerFrame(run.Drawn.ClustersAsked),
        PerFrame(run.Drawn.Triangles), PerFrame(run.Drawn.TrianglesAsked), PerFrame(run.Drawn.Vertices),
        PerFrame(run.Drawn.VerticesAsked), PerFrame(run.Drawn.Draws));
    std::fflush(stdout);
}
