#pragma once

#include <string>

namespace pelko {

// The connection details an upload window keeps in lib/ftp.ini, section [main].
struct FtpSettings {
    bool savePassword = false;  // savepass
    std::string host;           // host
    std::string dir;            // dir
    std::string login;          // login
    std::string password;       // password
};

// ProgramDir + "/lib/ftp.ini".
std::string ftpSettingsFile(const std::string& programDir);

// Reads the file; every key that is absent keeps the value of shown (what the window shows).
// The password is read only when savepass is set; otherwise shown's stays. The texts are
// UTF-8, also where the file holds them in the ANSI code page of Windows (IniFile::readText).
FtpSettings readFtpSettings(const std::string& path, const FtpSettings& shown);

// Writes savepass, host, dir and login, in this order, then the password when savePassword
// is set, and removes a stored password when it is not. The file, which may hold a password,
// is readable by its owner only (mode 0600), also when it existed before with a wider mode.
// A text that reads as stored keeps its stored bytes (IniFile::writeText).
// Throws pelko::Error "Unable to write to <path>" when the file cannot be written.
void saveFtpSettings(const std::string& path, const FtpSettings& settings);

}  // namespace pelko
