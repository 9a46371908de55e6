#pragma once

#include <string>

namespace pelko {

// Where the program keeps its files. programDir has no trailing "/".
//
// A program run from its build folder (or from a folder given with --home or PELKO_HOME) keeps
// everything in programDir. An installed program, or one whose folder it cannot write, keeps
// its writable files (settings.ini, lib/ftp.ini, lib/editor.ini) in programDir, a folder of the
// user's ($XDG_CONFIG_HOME/pelko), reads its data (lib/images, lib/skins, help.html) from
// dataDir and saves captures by default to outputDir.
struct ProgramPaths {
    std::string programDir;
    std::string dataDir;    // without a trailing "/"; empty: programDir
    std::string outputDir;  // with a trailing "/"; empty: programDir + "/screens/"
    std::string systemFolder = "/usr/bin/";
    std::string paintProgram;  // the factory paint program (first one installed)

    std::string settingsFile() const { return programDir + "/settings.ini"; }
    std::string screensDir() const {
        return outputDir.empty() ? programDir + "/screens/" : outputDir;
    }
    std::string data() const { return dataDir.empty() ? programDir : dataDir; }
    std::string defaultWatermark() const { return data() + "/lib/images/watermark.bmp"; }
    std::string skinsDir() const { return data() + "/lib/skins"; }
    std::string helpFile() const { return data() + "/help.html"; }

    // A folder as settings.ini stores it: one inside programDir relative to it ("screens/"),
    // so that a copy of the program folder saves into its own folders; any other as it is.
    std::string storedFolder(const std::string& folder) const {
        const std::string prefix = programDir + "/";
        if (programDir.empty() || !folder.starts_with(prefix)) {
            return folder;
        }
        const std::string inside = folder.substr(prefix.size());
        return inside.empty() ? "./" : inside;
    }
    // A folder that settings.ini stores, as a path: a relative one is inside programDir.
    std::string resolvedFolder(const std::string& stored) const {
        if (stored.empty() || stored.front() == '/') {
            return stored;
        }
        return programDir + "/" + (stored.starts_with("./") ? stored.substr(2) : stored);
    }
};

}  // namespace pelko
