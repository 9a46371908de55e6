#pragma once

#include <string>

#include "core/settings/ini_file.h"
#include "core/settings/program_paths.h"

namespace pelko {

// The post-processing values one capture run reads from settings.ini when it starts.
struct RunSettings {
    bool hideWhileCapturing = true;
    struct {
        int width = 100, height = 100, kind = 1;  // kind 1 percent, 2 pixels
    } scale;
    struct {
        bool enabled = false;
        std::string imageFile;
        int top = 90, left = 90;
        bool transparent = true;
        int direction = 1, horizontalUnit = 0, verticalUnit = 0;
    } watermark;
};

// The scale values are read only when scaling is switched on; otherwise 100 %, 100 %.
RunSettings readRunSettings(const IniFile& settings, bool scalingChecked,
                            const ProgramPaths& paths);

}  // namespace pelko
