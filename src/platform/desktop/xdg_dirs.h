#pragma once

#include <string>

namespace pelko {

// The user's home folder: $HOME, else the account's entry; without a trailing "/".
std::string homeDir();

// $XDG_CONFIG_HOME when it is an absolute path, else ~/.config; without a trailing "/".
std::string xdgConfigHome();

// The user's pictures folder: XDG_PICTURES_DIR of $XDG_CONFIG_HOME/user-dirs.dirs ("$HOME/..."
// or an absolute path), else ~/Pictures; without a trailing "/".
std::string xdgPicturesDir();

}  // namespace pelko
