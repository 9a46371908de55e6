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

// One argument of an Exec value, quoted when it holds a reserved character. Inside the quotes
// '"', '`', '$' and '\\' take a backslash; then every backslash is doubled and line breaks and
// tabs are escaped, as the string values of a desktop entry are read.
std::string execArgument(const std::string& argument) {
    const std::string reserved = " \t\n\r\"'\\><~|&;$*?#()`";
    const bool quote = argument.empty() || argument.find_first_of(reserved) != std::string::npos;
    std::string out = quote ? "\"" : "";
    for (char c : argument) {
        switch (c) {
            case '"':
            case '`':
            case '$':
                out += "\\\\";  // the quoting's backslash, doubled for the string value
                out += c;
                break;
            case '\\':
                out += "\\\\\\\\";  // the quoting's and the character's, each doubled
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '%':
                out += "%%";
                break;
            default:
                out += c;
        }
    }
    return quote ? out + "\"" : out;
}

}  // namespace

Autostart::Autostart(std::string configHome)
    : m_entry((configHome.empty() ? defaultConfigHome() : configHome) +
              "/autostart/pelko.desktop") {}

std::string desktopExecValue(const std::vector<std::string>& command) {
    std::string value;
    for (const std::string& argument : command) {
        if (!value.empty()) {
            value += ' ';
        }
        value += execArgument(argument);
    }
    return value;
}

void Autostart::set(bool on, const std::string& executable,
                    const std::vector<std::string>& arguments) const {
    namespace fs = std::filesystem;
    if (!on) {
        if (::unlink(m_entry.c_str()) != 0 && errno != ENOENT) {
            failed();
        }
        return;
    }
    std::vector<std::string> command{executable};
    command.insert(command.end(), arguments.begin(), arguments.end());
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
            << desktopExecValue(command)
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
