// Recording a drive as the game runs it: once asked for, the game's start-up
// starts the recorder just before the main loop, and the recorder then writes
// what reaches the game (see Recording.h) until the click or close that ends it.
#pragma once

#include <functional>
#include <string>

namespace record {

// Where the next game records to: a file, or an existing folder in which a new
// file named by the date and time is made; empty for no recording.
void SetTarget(std::string path);
const std::string& Target();

// The clock the frame times are read from, in milliseconds; by default the
// system's steady clock. A runner with a simulated clock sets its own.
void SetClock(std::function<double()> nowMs);

// Called by the game's start-up as the main loop is about to start: when a target
// is set, opens it, writes the menu's choices and the world, and takes the game
// window's handlers, the keyboard and the loop's hooks. False when the file
// cannot be written (the game then runs without recording).
bool StartIfAsked();

// The file being written; empty while none is.
const std::string& RecordingPath();

}  // namespace record
