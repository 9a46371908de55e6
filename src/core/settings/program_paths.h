#pragma once

#include <string>

namespace pelko {

// Where the program keeps its files. programDir has no trailing "/".
struct ProgramPaths {
    std::string programDir;
    std::string systemFolder = "/usr/bin/";
    std::string paintProgram;  // the factory paint program (first one installed)

    std::string settingsFile() const { return programDir + "/settings.ini"; }
    std::string screensDir() const { return programDir + "/screens/"; }
    std::string defaultWatermark() const { return programDir + "/lib/images/watermark.bmp"; }
    std::string skinsDir() const { return programDir + "/lib/skins"; }
};

}  // namespace pelko
