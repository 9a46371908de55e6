#pragma once

#include <string>
#include <vector>

namespace pelko {

// The desktop's start-with-the-session entry for Pelko: $XDG_CONFIG_HOME/autostart/pelko.desktop
// ($HOME/.config when that variable is unset), whose Exec line runs the given command.
class Autostart {
  public:
    // configHome empty: taken from the environment.
    explicit Autostart(std::string configHome = {});

    const std::string& entryPath() const { return m_entry; }

    // Writes the entry (replacing it atomically) when on, removes it when off; a missing entry is
    // no error. The entry runs the executable with the arguments (the program folder the
    // running program uses, so that the next session uses it too). A failed write throws
    // "Failed to set data for 'Pelko'".
    void set(bool on, const std::string& executable,
             const std::vector<std::string>& arguments = {}) const;

  private:
    std::string m_entry;
};

// The Exec value of a desktop entry for a command (the program's path, then its arguments):
// each argument quoted with its reserved characters escaped when it needs it, percent signs
// doubled, and the whole written with the escapes of a desktop entry's string values, so that
// the desktop starts the program with exactly these arguments.
std::string desktopExecValue(const std::vector<std::string>& command);

}  // namespace pelko
