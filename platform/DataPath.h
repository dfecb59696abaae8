// Where the program's data files are: paths are written with backslashes and
// appended directly to the program's folder.
#pragma once

#include <string>

#include "platform/Window.h"

inline std::string DataPath(const std::string& relative) {
    std::string path = AppPath() + relative;
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
    return path;
}
