#include "platform/desktop/program_location.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace pelko {

std::string executablePath() {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.string();
}

std::string executableDir() {
    std::string exe = executablePath();
    if (exe.empty()) {
        std::error_code ec;
        return std::filesystem::current_path(ec).string();
    }
    return std::filesystem::path(exe).parent_path().string();
}

std::optional<std::string> findOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/local/bin:/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        if (dir.empty()) {
            continue;
        }
        std::string candidate = dir + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return std::nullopt;
}

ProgramPaths locateProgram(const std::optional<std::string>& home) {
    ProgramPaths paths;
    if (home && !home->empty()) {
        paths.programDir = *home;
    } else if (const char* env = std::getenv("PELKO_HOME"); env && *env) {
        paths.programDir = env;
    } else {
        paths.programDir = executableDir();
    }
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(paths.programDir, ec);
    if (!ec) {
        paths.programDir = absolute.lexically_normal().string();
    }
    while (paths.programDir.size() > 1 && paths.programDir.back() == '/') {
        paths.programDir.pop_back();
    }
    paths.paintProgram = findOnPath("xdg-open").value_or(paths.systemFolder + "xdg-open");
    for (const char* candidate : {"kolourpaint", "pinta", "mtpaint", "gimp"}) {
        if (auto found = findOnPath(candidate)) {
            paths.paintProgram = *found;
            break;
        }
    }
    return paths;
}

void ensureScreensFolder(const ProgramPaths& paths) {
    ::mkdir(paths.screensDir().c_str(), 0755);
}

}  // namespace pelko
