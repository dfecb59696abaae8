// A video made of the frames as they are presented: raw RGBA frames piped to
// ffmpeg, which encodes them into the file (its format chosen by the name).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace video {

// Starts ffmpeg writing `path` at width x height and `fps` frames a second;
// false with the reason in `error` (ffmpeg missing among them).
bool Start(const std::string& path, int width, int height, double fps, std::string& error);
bool Started();
// Adds a picture (top row first) `count` times; a smaller picture is centred on
// black. False with the reason once ffmpeg has stopped taking frames.
bool AddFrame(const std::vector<std::uint8_t>& rgba, int width, int height, long count, std::string& error);
long FramesWritten();
// Ends the stream and waits for ffmpeg; false with the reason where it failed.
bool Finish(std::string& error);

// A progress bar on stderr, where stderr is a terminal: `done` of `total`.
void ShowProgress(long done, long total);
void EndProgress();

}  // namespace video
