#pragma once

#include <functional>
#include <string>

namespace pelko {

// Starts a program on its own, not waiting for it: the program's path, its one argument (passed
// as it is, spaces included, no shell involved) and the working folder. Whether the program
// started is not reported. Implemented by platform code.
using LaunchProgram = std::function<void(const std::string& program, const std::string& argument,
                                         const std::string& workingDir)>;

}  // namespace pelko
