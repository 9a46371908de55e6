#include "core/output/purge_folder.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

namespace pelko {

namespace {

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};

void makeOwnerWritable(const std::string& path, const struct stat& st) {
    ::chmod(path.c_str(),
            (st.st_mode & 07777) | (S_ISDIR(st.st_mode) ? S_IRWXU : S_IRUSR | S_IWUSR));
}

}  // namespace

bool PurgeFolder(const std::string& folder, bool clearAttributes, bool stopAtFirstFailure,
                 bool removeFolder) {
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return false;
    }
    if (clearAttributes) {
        makeOwnerWritable(folder, st);
    }
    bool result = true;
    std::string base = folder.empty() || folder.back() != '/' ? folder + "/" : folder;
    std::unique_ptr<DIR, DirCloser> dir(::opendir(base.c_str()));
    if (!dir) {
        return false;
    }
    while (dirent* entry = ::readdir(dir.get())) {
        std::string name = entry->d_name;
        if (name.empty() || name == "." || name == "..") {
            continue;
        }
        std::string full = base + name;
        struct stat est {};
        if (::lstat(full.c_str(), &est) != 0) {
            result = false;
        } else if (S_ISDIR(est.st_mode)) {
            result = PurgeFolder(full, clearAttributes, stopAtFirstFailure, true);
        } else {
            if (clearAttributes && !S_ISLNK(est.st_mode)) {
                makeOwnerWritable(full, est);
            }
            result = ::unlink(full.c_str()) == 0;
        }
        if (!result && stopAtFirstFailure) {
            return false;
        }
    }
    dir.reset();
    if (result && removeFolder && ::rmdir(base.c_str()) != 0) {
        result = false;
    }
    return result;
}

}  // namespace pelko
