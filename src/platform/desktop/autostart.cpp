#include "platform/desktop/autostart.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/error.h"

namespace pelko {

namespace {

std::string defaultConfigHome() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') {
        return xdg;
    }
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.config";
}

[[noreturn]] void failed() {
    throw Error("Failed to set data for 'Pelko'");
}

}  // namespace

Autostart::Autostart(std::string configHome)
    : m_entry((configHome.empty() ? defaultConfigHome() : configHome) +
              "/autostart/pelko.desktop") {}

std::string desktopExecValue(const std::string& executable) {
    const std::string reserved = " \t\n\"'\\><~|&;$*?#()`";
    if (executable.find_first_of(reserved) == std::string::npos &&
        executable.find('%') == std::string::npos) {
        return executable;
    }
    std::string quoted = "\"";
    for (char c : executable) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted += "\\\\";  // backslash escaped once for the quoting, once for the string
            if (c == '\\') {
                quoted += "\\\\";
                continue;
            }
        }
        if (c == '%') {
            quoted += "%%";
            continue;
        }
        quoted += c;
    }
    return quoted + "\"";
}

void Autostart::set(bool on, const std::string& executable) const {
    namespace fs = std::filesystem;
    if (!on) {
        if (::unlink(m_entry.c_str()) != 0 && errno != ENOENT) {
            failed();
        }
        return;
    }
    std::error_code ec;
    fs::create_directories(fs::path(m_entry).parent_path(), ec);
    std::string temp = m_entry + ".tmp";
    {
        std::ofstream out(temp, std::ios::trunc);
        out << "[Desktop Entry]\n"
               "Type=Application\n"
               "Name=Pelko\n"
               "Comment=Screen capture in the tray\n"
               "Exec="
            << desktopExecValue(executable)
            << "\n"
               "Icon=pelko\n"
               "Terminal=false\n"
               "X-GNOME-Autostart-enabled=true\n";
        out.flush();
        if (!out) {
            ::unlink(temp.c_str());
            failed();
        }
    }
    if (::rename(temp.c_str(), m_entry.c_str()) != 0) {
        ::unlink(temp.c_str());
        failed();
    }
}

}  // namespace pelko
