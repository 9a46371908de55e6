#include "platform/desktop/xdg_dirs.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace pelko {

namespace {

std::string withoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

// The value of KEY="value" in a user-dirs.dirs file, "$HOME" expanded; empty when absent.
std::string userDir(const std::string& file, const std::string& key) {
    std::ifstream in(file);
    std::string line;
    const std::string prefix = key + "=\"";
    while (std::getline(in, line)) {
        if (line.rfind(prefix, 0) != 0 || line.size() < prefix.size() + 1 || line.back() != '"') {
            continue;
        }
        std::string value = line.substr(prefix.size(), line.size() - prefix.size() - 1);
        if (value.rfind("$HOME", 0) == 0) {
            value = homeDir() + value.substr(5);
        }
        return value.empty() || value.front() != '/' ? std::string() : value;
    }
    return {};
}

}  // namespace

std::string homeDir() {
    if (const char* home = std::getenv("HOME"); home && *home == '/') {
        return withoutTrailingSlash(home);
    }
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir && *pw->pw_dir == '/') {
        return withoutTrailingSlash(pw->pw_dir);
    }
    return "/";
}

std::string xdgConfigHome() {
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/') {
        return withoutTrailingSlash(config);
    }
    return homeDir() + "/.config";
}

std::string xdgPicturesDir() {
    std::string pictures = userDir(xdgConfigHome() + "/user-dirs.dirs", "XDG_PICTURES_DIR");
    // A pictures folder set to the home folder itself means "none" to the XDG tools.
    pictures = withoutTrailingSlash(pictures);
    if (pictures.empty() || pictures == homeDir()) {
        return homeDir() + "/Pictures";
    }
    return pictures;
}

}  // namespace pelko
