// Playing a recording of a drive: its menu choices instead of the runner's, its
// keyboard states, events and timer ticks at the frames and yields where the game
// took them, its checks verified as the frames go, and the video made of it.
#pragma once

#include <string>

// Reads the recording and compares its world with the data folder; false with
// the reason in `error`. `parted` is set where the file is sound but does not
// match this program's world.
bool LoadReplay(const std::string& path, std::string& error, bool& parted);
// Starts the video of --video, at --size (or the recording's size) and --fps.
bool StartReplayVideo(std::string& error);

// The recording's menu choices, set on the menu before "New Game".
void ApplyRecordedMenu();
// The size the drive is drawn at, set as the game has read the menu's: the
// recorded screen's, or the largest of its shape that fits the video.
void UseRecordedSize();
// The loop's observers while a recording plays.
void ReplayMainLoopStarting();
void ReplayFrameStarting();
void ReplayFrameDrawn();
void ReplayPresented();
