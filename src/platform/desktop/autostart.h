#pragma once

#include <string>

namespace pelko {

// The desktop's start-with-the-session entry for Pelko: $XDG_CONFIG_HOME/autostart/pelko.desktop
// ($HOME/.config when that variable is unset), whose Exec line runs the given executable.
class Autostart {
  public:
    // configHome empty: taken from the environment.
    explicit Autostart(std::string configHome = {});

    const std::string& entryPath() const { return m_entry; }

    // Writes the entry (replacing it atomically) when on, removes it when off; a missing entry is
    // no error. A failed write throws "Failed to set data for 'Pelko'".
    void set(bool on, const std::string& executable) const;

  private:
    std::string m_entry;
};

// The Exec value of a desktop entry for a program path: quoted with its reserved characters
// escaped when it needs it.
std::string desktopExecValue(const std::string& executable);

}  // namespace pelko
