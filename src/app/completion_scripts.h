#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pelko {

// A completion script of the pelko command for bash, zsh or fish, made from the command's
// option table so that it lists what --help lists; none for another shell's name. `command` is
// the name the script completes ("pelko").
std::optional<std::string> completionScript(std::string_view shell, std::string_view command);

}  // namespace pelko
