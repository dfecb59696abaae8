#include "tools/headless/Video.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/host/Host.h"

namespace video {

namespace {

host::Program ffmpeg;
int videoWidth = 0, videoHeight = 0;
long written = 0;
std::vector<std::uint8_t> canvas;
int shownPercent = -1;
bool progressShown = false;

bool WriteAll(const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = write(ffmpeg.Input, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

bool Start(const std::string& path, int width, int height, double fps, std::string& error) {
    char size[32], rate[32];
    std::snprintf(size, sizeof size, "%dx%d", width, height);
    std::snprintf(rate, sizeof rate, "%.9g", fps);
    const std::vector<std::string> args = {
        "ffmpeg",      "-hide_banner", "-loglevel",  "error", "-y", "-f",     "rawvideo", "-pix_fmt", "rgba",
        "-video_size", size,           "-framerate", rate,    "-i", "pipe:0", "-pix_fmt", "yuv420p",  path};
    bool missing = false;
    if (!host::StartProgram(args, ffmpeg, missing, error)) {
        if (missing) error = "--video needs ffmpeg, which is not installed (on Debian: apt install ffmpeg)";
        else error = "--video: " + error;
        return false;
    }
    videoWidth = width;
    videoHeight = height;
    // Opaque black, for the bars beside a picture of another shape.
    canvas.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 0);
    for (std::size_t i = 3; i < canvas.size(); i += 4) canvas[i] = 255;
    return true;
}

bool Started() { return ffmpeg.Running(); }

long FramesWritten() { return written; }

bool AddFrame(const std::vector<std::uint8_t>& rgba, int width, int height, long count, std::string& error) {
    if (count <= 0) return true;
    // Centred; bars stay black, and the picture is opaque.
    const int w = std::min(width, videoWidth), h = std::min(height, videoHeight);
    const int left = (videoWidth - w) / 2, top = (videoHeight - h) / 2;
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* from = rgba.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 4;
        std::uint8_t* to = canvas.data() + (static_cast<std::size_t>(top + y) * static_cast<std::size_t>(videoWidth) +
                                            static_cast<std::size_t>(left)) *
                                               4;
        std::memcpy(to, from, static_cast<std::size_t>(w) * 4);
        for (int x = 0; x < w; ++x) to[x * 4 + 3] = 255;
    }
    for (long i = 0; i < count; ++i) {
        if (!WriteAll(canvas.data(), canvas.size())) {
            error = "ffmpeg stopped taking frames";
            return false;
        }
        ++written;
    }
    return true;
}

bool Finish(std::string& error) {
    if (!ffmpeg.Running()) return true;
    if (host::FinishProgram(ffmpeg, error)) return true;
    error = "ffmpeg: " + error;
    return false;
}

void ShowProgress(long done, long total) {
    if (total <= 0 || !isatty(STDERR_FILENO)) return;
    const int percent = static_cast<int>(std::min(100L, done * 100 / total));
    if (percent == shownPercent) return;
    shownPercent = percent;
    progressShown = true;
    constexpr int kWidth = 40;
    char bar[kWidth + 1];
    const int filled = percent * kWidth / 100;
    for (int i = 0; i < kWidth; ++i) bar[i] = i < filled ? '#' : '.';
    bar[kWidth] = '\0';
    std::fprintf(stderr, "\rvideo [%s] %3d%%  frame %ld of %ld", bar, percent, done, total);
    std::fflush(stderr);
}

void EndProgress() {
    if (progressShown) std::fputs("\n", stderr);
    progressShown = false;
}

}  // namespace video
