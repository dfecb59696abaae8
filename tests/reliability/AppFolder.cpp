#include "tests/reliability/AppFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

std::string SourceDataDir() { return ND_DATA_DIR; }

AppFolder::AppFolder(const std::string& program) {
    char pattern[] = "/tmp/nd reliability XXXXXX";
    if (!mkdtemp(pattern)) return;
    base_ = pattern;
    chmod(base_.c_str(), 0755);  // other users may run the copy
    root_ = base_ + "/app folder with spaces";
    std::error_code ec;
    fs::create_directories(root_, ec);
    program_ = root_ + "/" + fs::path(program).filename().string();
    fs::create_hard_link(program, program_, ec);
    if (ec) fs::copy_file(program, program_, ec);
    if (ec) return;
    for (const auto& entry : fs::recursive_directory_iterator(SourceDataDir())) {
        const fs::path target = fs::path(root_) / "data" / fs::relative(entry.path(), SourceDataDir());
        if (entry.is_directory()) {
            fs::create_directories(target, ec);
        } else {
            fs::create_directories(target.parent_path(), ec);
            fs::create_hard_link(entry.path(), target, ec);
            if (ec) fs::copy_file(entry.path(), target, ec);
        }
        if (ec) return;
    }
    ready_ = true;
}

AppFolder::~AppFolder() {
    if (base_.empty()) return;
    std::error_code ec;
    fs::remove_all(base_, ec);
}

std::string AppFolder::Read(const std::string& relative) const {
    std::ifstream in(Full(relative), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void AppFolder::Write(const std::string& relative, const std::string& bytes) {
    Remove(relative);
    std::ofstream out(Full(relative), std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void AppFolder::Remove(const std::string& relative) {
    std::error_code ec;
    fs::remove_all(Full(relative), ec);
}

void AppFolder::MakeDirectory(const std::string& relative) {
    Remove(relative);
    std::error_code ec;
    fs::create_directories(Full(relative), ec);
}

void AppFolder::MakeFifo(const std::string& relative) {
    Remove(relative);
    mkfifo(Full(relative).c_str(), 0644);
}

void AppFolder::MakeSymlink(const std::string& relative, const std::string& target) {
    Remove(relative);
    std::error_code ec;
    fs::create_symlink(target, Full(relative), ec);
}

void AppFolder::MakeUnreadable(const std::string& relative) {
    const std::string bytes = Read(relative);
    Write(relative, bytes);
    chmod(Full(relative).c_str(), 0);
}

ProcessResult AppFolder::Run(const std::string& args, double timeoutSeconds, int asUser) const {
    ProcessOptions options;
    options.Args.push_back(program_);
    std::istringstream words(args);
    for (std::string w; words >> w;) options.Args.push_back(w);
    options.Set = {{"SDL_VIDEODRIVER", "offscreen"}};
    options.TimeoutSeconds = timeoutSeconds;
    options.RunAsUser = asUser;
    return RunProcess(options);
}
