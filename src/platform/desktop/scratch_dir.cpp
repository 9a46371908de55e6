#include "platform/desktop/scratch_dir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace pelko {

std::string scratchDirPath() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime == '/') {
        return std::string(runtime) + "/~pelko/";
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string base = tmp && *tmp == '/' ? tmp : "/tmp";
    return base + "/~pelko-" + std::to_string(::getuid()) + "/";
}

bool prepareScratchDir(const std::string& path) {
    ::mkdir(path.c_str(), 0700);
    struct stat st {};
    std::string dir =
        path.size() > 1 && path.back() == '/' ? path.substr(0, path.size() - 1) : path;
    if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) {
        return false;
    }
    if ((st.st_mode & 077) != 0) {
        ::chmod(dir.c_str(), 0700);
    }
    return true;
}

}  // namespace pelko
