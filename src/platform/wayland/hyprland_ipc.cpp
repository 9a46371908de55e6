#include "platform/wayland/hyprland_ipc.h"

#include <sys/stat.h>

#include <chrono>

#include "platform/wayland/ipc_connection.h"

namespace pelko::wayland {

std::vector<std::string> hyprlandSocketPaths(const std::string& signature,
                                             const std::string& runtimeDir) {
    std::vector<std::string> paths;
    if (!runtimeDir.empty()) {
        paths.push_back(runtimeDir + "/hypr/" + signature + "/.socket.sock");
    }
    paths.push_back("/tmp/hypr/" + signature + "/.socket.sock");
    return paths;
}

std::string hyprlandRequest(const std::vector<std::string>& socketPaths, const std::string& request,
                            int timeoutMs) {
    // The first socket there is; when there is none, connecting to the first names the fault.
    std::string path = socketPaths.empty() ? std::string() : socketPaths.front();
    for (const std::string& candidate : socketPaths) {
        struct stat s {};
        if (::stat(candidate.c_str(), &s) == 0 && S_ISSOCK(s.st_mode)) {
            path = candidate;
            break;
        }
    }
    IpcConnection ipc(path, "Hyprland",
                      std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs));
    ipc.send(request);
    std::string answer = ipc.readToEnd(kMaxIpcAnswer);
    if (answer.empty()) {
        ipc.fail("its IPC socket closed without an answer");
    }
    return answer;
}

}  // namespace pelko::wayland
