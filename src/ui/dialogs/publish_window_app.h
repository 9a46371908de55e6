#pragma once

#include <string>

#include "core/output/uploader.h"

namespace pelko {

// Runs the upload window "Publish Web" on its own, for the command line: creates the
// QApplication, shows one window for the file (its name in the file name box) and returns
// when the window has closed, with the application's exit code.
int runPublishWindow(int& argc, char** argv, const std::string& programDir, const std::string& file,
                     const MakeUploader& makeUploader);

}  // namespace pelko
