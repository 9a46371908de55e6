#pragma once

#include <string>
#include <vector>

namespace pelko::wayland {

// Where Hyprland's request socket may lie for the instance `signature`
// ($HYPRLAND_INSTANCE_SIGNATURE): under $XDG_RUNTIME_DIR/hypr (newer releases), else under
// /tmp/hypr (older ones).
std::vector<std::string> hyprlandSocketPaths(const std::string& signature,
                                             const std::string& runtimeDir);

// Sends one request (such as "j/clients": the j/ asks for JSON) to the first of socketPaths
// that exists and returns Hyprland's whole answer, which ends when it closes the connection.
// Throws pelko::Error when no socket takes the connection, or Hyprland does not answer within
// timeoutMs, or it closes the connection without an answer.
std::string hyprlandRequest(const std::vector<std::string>& socketPaths, const std::string& request,
                            int timeoutMs);

}  // namespace pelko::wayland
