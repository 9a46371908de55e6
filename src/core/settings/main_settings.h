#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/image/bitmap.h"
#include "core/settings/program_paths.h"

namespace pelko {

// The checked states of the output menu.
struct OutputTargets {
    bool save = true;        // mnsave: checked until settings say otherwise
    bool clipboard = false;  // mnclipboard
    bool paint = false;      // mnpaint
    bool ftp = false;        // mnftp
    bool email = false;      // mnemail
};

// What the main window holds of settings.ini, without its widgets.
struct MainSettings {
    bool ssreccursor = false;
    bool cbenablewatermark = false;
    bool cbopenineditor = false;
    bool cbenablescaling = false;
    OutputTargets outputs;
    bool useSkins = false;
    bool showHint = true;
    std::string skinName;
    ColorRef backgroundColor = 0;
    std::array<std::uint32_t, 9> hotkeys{};  // slot 0 is main/sshk
    bool runmm = false;
    bool runww = true;
    std::int32_t jpegQuality = 0;  // JpegQuality
    std::string language;
    std::int32_t currentMode = 0;  // CurrentMode
    bool settingsLoading = false;  // SettingsLoading
};

// What readparams and defaultsettings hand on to the rest of the program. The main window
// implements it; a headless capture run leaves the hotkeys and the autostart entry alone.
class SettingsHost {
  public:
    virtual ~SettingsHost() = default;
    virtual void setSkinsEnabled(bool) {}
    virtual void setSkinName(const std::string&) {}
    virtual void refreshControls(const MainSettings&) {}  // check boxes, menus, output button
    virtual void addtostartup(bool) {}                    // write or remove the autostart entry
    virtual void bindHotkeys(const std::array<std::uint32_t, 9>&) {}
};

// File to memory: every step of the start-up load, in order, then the hotkeys are bound.
void readparams(MainSettings& s, const ProgramPaths& paths, SettingsHost& host);
// Memory to file: the thirteen keys the main window owns.
void saveparams(const MainSettings& s, const ProgramPaths& paths);
// Factory values to file, then readparams.
void defaultsettings(MainSettings& s, const ProgramPaths& paths, SettingsHost& host);

}  // namespace pelko
