// Helpers shared by the files of the recording platform.
#pragma once

#include <string>

void FakeRecord(const std::string& line);
void FakeSetName(const void* object, const std::string& name);
void FakeForget(const void* object);
