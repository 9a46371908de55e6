#include "app/command_outputs.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "app/tray_program.h"
#include "core/error.h"
#include "core/output/clipboard_content.h"
#include "core/output/paint_output.h"
#include "platform/desktop/detached_process.h"

namespace pelko {

namespace {

constexpr int kReadyTimeoutMs = 10000;

// The first line the clipboard server writes, "" when it ends or stays silent without one.
std::string firstLine(int fd) {
    std::string line;
    char c = 0;
    while (line.size() < 64) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, kReadyTimeoutMs) <= 0 || ::read(fd, &c, 1) != 1) {
            return {};
        }
        if (c == '\n') {
            return line;
        }
        line += c;
    }
    return line;
}

}  // namespace

CommandOutputs::CommandOutputs(const ProgramPaths& paths, std::string scratchDir,
                               std::int32_t jpegQuality, std::string trayProgram,
                               std::string clipboardServer, OpenInTrayEditor openInTrayEditor)
    : m_paths(paths),
      m_scratchDir(std::move(scratchDir)),
      m_jpegQuality(jpegQuality),
      m_tray(std::move(trayProgram)),
      m_clipboardServer(std::move(clipboardServer)),
      m_openInTrayEditor(std::move(openInTrayEditor)) {}

std::vector<std::string> CommandOutputs::copyToClipboard(const Bitmap& bitmap) {
    const auto files = writeClipboardFiles(bitmap, 0, scratchContext());
    if (!files) {
        return {};
    }
    m_uses.emplace_back(files->image);
    std::vector<std::string> args{"--serve-clipboard", files->image};
    if (!files->gif.empty()) {
        args.push_back(files->gif);
    }
    const DetachedStart server = startDetached({m_clipboardServer, args, {}, true, {}});
    if (server.error != 0) {
        throw cannotStartTray(m_clipboardServer, server.error);
    }
    if (firstLine(server.output.get()) != "ready") {
        throw Error("Cannot open clipboard");
    }
    return {};
}

std::vector<std::string> CommandOutputs::openInPaint(const Bitmap& bitmap) {
    std::string path = OpenCaptureInPaint(bitmap, 0, scratchContext(), launchProgram);
    return path.empty() ? std::vector<std::string>{} : std::vector<std::string>{path};
}

std::vector<std::string> CommandOutputs::publishWeb(const Bitmap& bitmap) {
    const std::string path = SaveCaptureToScratch(bitmap, 0, scratchContext());
    if (path.empty()) {
        return {};
    }
    m_uses.emplace_back(path);
    // The upload window runs in the tray program; the command waits for it at its end (its
    // output pipe closes when the window's program ends).
    std::vector<std::string> args{"--publish", path};
    const std::vector<std::string> home = homeArguments(m_paths);
    args.insert(args.end(), home.begin(), home.end());
    DetachedStart window = startDetached({m_tray, args, {}, true, {}});
    if (window.error != 0) {
        throw cannotStartTray(m_tray, window.error);
    }
    m_windows.push_back(std::move(window.output));
    return {path};
}

void CommandOutputs::waitForWindows() {
    for (FileDescriptor& fd : m_windows) {
        char buffer[256];
        for (;;) {
            const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
            if (n > 0 || (n < 0 && errno == EINTR)) {
                continue;
            }
            break;  // end of output: the window's program has ended
        }
    }
    m_windows.clear();
}

std::vector<std::string> CommandOutputs::sendEmail(const Bitmap& bitmap) {
    std::string path = SaveCaptureToScratch(bitmap, 0, scratchContext());
    if (!m_mailer.SendMailWithAttachment(path)) {
        throw Error("Error while trying to send email");
    }
    return {path};
}

std::vector<std::string> CommandOutputs::openInEditor(const Bitmap& bitmap) {
    // A Windows bitmap file: what the editor's tabs hold, read back without loss.
    const std::string path = SaveCaptureToScratch(bitmap, int(ImageFormat::Bmp), scratchContext());
    m_openInTrayEditor(path);
    return {path};
}

}  // namespace pelko
