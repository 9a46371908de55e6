#include "platform/desktop/scratch_dir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>

#include "core/output/purge_folder.h"
#include "core/output/scratch_file.h"
#include "core/output/scratch_folder.h"

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
    std::string dir = path;
    while (dir.size() > 1 && dir.back() == '/') {
        dir.pop_back();
    }
    ::mkdir(dir.c_str(), 0700);  // mkdir never follows a link at its path
    int error = 0;
    if (!openScratchFolder(dir, error, true)) {
        return false;
    }
    PurgeScratchFolder(path, {std::time(nullptr) - kScratchFileLifetime, false});
    return true;
}

}  // namespace pelko
