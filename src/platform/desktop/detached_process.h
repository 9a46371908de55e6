#pragma once

#include <string>
#include <vector>

#include "core/file_descriptor.h"

namespace pelko {

// How to start a program that runs on its own.
struct DetachedCommand {
    std::string program;                 // a path, or a name looked up on PATH when it holds no "/"
    std::vector<std::string> arguments;  // passed as they are: no shell is involved
    std::string workingDir;              // "": the caller's working folder
    bool pipeOutput = false;             // give the caller a pipe from the program's output
    std::string name;                    // the program's name in its arguments; "": program
};

struct DetachedStart {
    int error = 0;          // 0 when the program runs; else the errno of why it could not start
    FileDescriptor output;  // with pipeOutput: the read end of the program's standard output
};

// Starts a program detached: in a session of its own, not a child of the caller (so it is
// never waited for and outlives the caller), with its standard input, output and error on
// /dev/null (output on the pipe with pipeOutput), no other descriptor of the caller, the
// default signal mask and dispositions, and the caller's environment. Returns when the program
// has been executed or failed to (a missing program, a working folder that cannot be entered).
DetachedStart startDetached(const DetachedCommand& command);

// Starts a program with one argument in a working folder, detached, as a paint program or a
// web page viewer is started; whether it started is not reported.
void launchProgram(const std::string& program, const std::string& argument,
                   const std::string& workingDir);

}  // namespace pelko
