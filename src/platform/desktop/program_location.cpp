#include "platform/desktop/program_location.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <system_error>

#include "platform/desktop/xdg_dirs.h"

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

namespace {

bool isFile(const std::filesystem::path& p) {
    std::error_code ec;
    return std::filesystem::is_regular_file(p, ec);
}

std::string normalFolder(const std::string& folder) {
    std::error_code ec;
    std::string path = folder;
    std::filesystem::path absolute = std::filesystem::absolute(folder, ec);
    if (!ec) {
        path = absolute.lexically_normal().string();
    }
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

}  // namespace

ProgramLayout programLayout() {
    const std::filesystem::path dir = normalFolder(executableDir());
    ProgramLayout layout;
    if (isFile(dir / "lib" / "pelko-tray")) {
        layout.folder = dir.string();  // the pelko command in its build folder
    } else if (dir.filename() == "lib" && isFile(dir / "pelko-tray")) {
        layout.folder = dir.parent_path().string();  // the tray program in a build folder
    } else {
        // PREFIX/bin/pelko or PREFIX/lib/pelko/pelko-tray.
        const bool tray = dir.filename() == "pelko" && dir.parent_path().filename() == "lib";
        const std::filesystem::path prefix =
            tray ? dir.parent_path().parent_path() : dir.parent_path();
        layout.installed = true;
        layout.folder = (prefix / "share" / "pelko").string();
        layout.trayProgram = (prefix / "lib" / "pelko" / "pelko-tray").string();
        return layout;
    }
    layout.trayProgram = layout.folder + "/lib/pelko-tray";
    return layout;
}

ProgramPaths locateProgram(const std::optional<std::string>& home) {
    ProgramPaths paths;
    if (home && !home->empty()) {
        paths.programDir = normalFolder(*home);
    } else if (const char* env = std::getenv("PELKO_HOME"); env && *env) {
        paths.programDir = normalFolder(env);
    } else {
        const ProgramLayout layout = programLayout();
        if (!layout.installed && ::access(layout.folder.c_str(), W_OK) == 0) {
            paths.programDir = layout.folder;
        } else {
            paths.programDir = xdgConfigHome() + "/pelko";
            paths.dataDir = layout.folder;
            paths.outputDir = xdgPicturesDir() + "/Screenshots/";
            // The folders of settings.ini and of lib/ftp.ini and lib/editor.ini; a failure
            // shows when a setting is written.
            std::error_code ec;
            std::filesystem::create_directories(paths.programDir + "/lib", ec);
        }
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
    std::error_code ec;
    std::filesystem::create_directories(paths.screensDir(), ec);
}

}  // namespace pelko
