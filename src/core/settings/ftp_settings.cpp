#include "core/settings/ftp_settings.h"

#include <fcntl.h>
#include <sys/stat.h>

#include "core/error.h"
#include "core/file_descriptor.h"
#include "core/settings/ini_file.h"
#include "core/settings/key_access.h"
#include "core/settings/keys.h"

namespace pelko {

namespace {

namespace ftpkeys {
// Their defaults are those of the window's controls, passed by the reader.
inline constexpr keys::BoolKey savepass{"main", "savepass", false, false};
inline constexpr keys::StringKey host{"main", "host", "", ""};
inline constexpr keys::StringKey dir{"main", "dir", "", ""};
inline constexpr keys::StringKey login{"main", "login", "", ""};
inline constexpr keys::StringKey password{"main", "password", "", ""};
}  // namespace ftpkeys

// Creates the file readable by its owner only, or narrows the mode of the file that is
// there, before anything is written to it. The writes that follow replace the file with one
// of the same mode. A missing lib folder is created.
void makePrivate(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0) {
        ::mkdir(path.substr(0, slash).c_str(), 0755);  // an existing one is fine
    }
    FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (fd.get() < 0 || ::fchmod(fd.get(), 0600) != 0) {
        throw Error(formatMessage("Unable to write to %s", {path}));
    }
}

}  // namespace

std::string ftpSettingsFile(const std::string& programDir) {
    return programDir + "/lib/ftp.ini";
}

// The text values are what people type, and the file may come from Windows, where they are
// stored in its ANSI code page: they are read and written as text (IniFile::readText), so
// that a password typed there shows as typed and, unless edited, keeps its bytes.
FtpSettings readFtpSettings(const std::string& path, const FtpSettings& shown) {
    IniFile f(path);
    const auto text = [&f](const keys::StringKey& k, const std::string& current) {
        return f.readText(k.section, k.name, current);
    };
    FtpSettings s = shown;
    s.savePassword = read(f, ftpkeys::savepass, shown.savePassword);
    s.host = text(ftpkeys::host, shown.host);
    s.dir = text(ftpkeys::dir, shown.dir);
    s.login = text(ftpkeys::login, shown.login);
    if (s.savePassword) {
        s.password = text(ftpkeys::password, shown.password);
    }
    return s;
}

void saveFtpSettings(const std::string& path, const FtpSettings& s) {
    makePrivate(path);
    IniFile f(path);
    IniFile::Batch batch(f);
    const auto text = [&f](const keys::StringKey& k, const std::string& value) {
        f.writeText(k.section, k.name, value);
    };
    write(f, ftpkeys::savepass, s.savePassword);
    text(ftpkeys::host, s.host);
    text(ftpkeys::dir, s.dir);
    text(ftpkeys::login, s.login);
    if (s.savePassword) {
        text(ftpkeys::password, s.password);
    } else {
        f.deleteKey(ftpkeys::password.section, ftpkeys::password.name);
    }
    batch.commit();
}

}  // namespace pelko
