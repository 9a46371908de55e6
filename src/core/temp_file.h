#pragma once

#include <sys/types.h>

#include <string>

#include "core/file_descriptor.h"

namespace pelko {

// A file written under a temporary name beside the file it becomes, then published under its
// final name in one step, so readers and a killed writer never leave a half-written file under
// that name. The temporary name is ".pelko-XXXXXX.tmp"; the file is locked (flock) for as long
// as this object lives, which tells removeStaleTempFiles that its writer is still alive. A file
// that was never published is removed by the destructor.
class TempFile {
  public:
    // Creates the file in folder (a path that ends with "/", or "" for the working folder)
    // with the given mode (the umask applies). When that fails, fd() is -1 and error() says
    // why.
    explicit TempFile(std::string folder, mode_t mode = 0644);
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    int fd() const { return m_fd.get(); }
    int error() const { return m_error; }
    const std::string& path() const { return m_path; }

    // Reports what the file system has not taken of the bytes written (a full disk or quota on
    // network file systems shows only when a descriptor closes): 0 or the errno. The lock stays.
    int finishWrites() const;
    // Moves the file onto target, replacing a file of that name. Returns 0 or the errno.
    int replace(const std::string& target);
    // Moves the file onto target only when no file of that name exists: returns 0, EEXIST,
    // or another errno.
    int publishNew(const std::string& target);

  private:
    void create(const std::string& folder, mode_t mode);

    FileDescriptor m_fd;
    std::string m_path;
    int m_error = 0;
    bool m_published = false;
};

// Removes the temporary files that writers killed before publishing left in folder: files
// named as TempFile names them, owned by this user, whose lock no process holds. Errors are
// ignored: what cannot be removed stays for a later run.
void removeStaleTempFiles(const std::string& folder);

}  // namespace pelko
