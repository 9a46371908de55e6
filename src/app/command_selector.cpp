#include "app/command_selector.h"

#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <vector>

#include "app/tray_program.h"
#include "core/codec/decode.h"
#include "core/error.h"
#include "platform/desktop/detached_process.h"

namespace pelko {

namespace {

std::vector<std::uint8_t> readToEnd(int fd) {
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            bytes.insert(bytes.end(), buffer, buffer + n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return bytes;
        }
    }
}

}  // namespace

std::optional<Bitmap> parseSelectorAnswer(const std::vector<std::uint8_t>& answer,
                                          bool& cancelled) {
    cancelled = false;
    const std::string_view text(reinterpret_cast<const char*>(answer.data()), answer.size());
    const std::size_t eol = text.find('\n');
    const std::string_view head = text.substr(0, eol);
    const std::string_view rest = eol == std::string_view::npos ? "" : text.substr(eol + 1);
    if (head == "cancelled") {
        cancelled = true;
        return std::nullopt;
    }
    if (head == "error") {
        throw Error(std::string(rest));
    }
    if (head != "picture" || eol == std::string_view::npos) {
        throw Error("The selector ended without an answer");
    }
    if (rest.empty()) {
        return Bitmap();  // a selection without area
    }
    return decodeBmp(std::span<const std::uint8_t>(answer).subspan(eol + 1));
}

std::optional<Bitmap> selectThroughTray(const std::string& trayProgram,
                                        const std::vector<std::string>& runArgs, int mode,
                                        bool& cancelled) {
    std::vector<std::string> args{"--select", std::to_string(mode)};
    args.insert(args.end(), runArgs.begin(), runArgs.end());
    const DetachedStart selector = startDetached({trayProgram, args, {}, true, {}});
    if (selector.error != 0) {
        throw cannotStartTray(trayProgram, selector.error);
    }
    return parseSelectorAnswer(readToEnd(selector.output.get()), cancelled);
}

std::optional<std::string> pickRegionThroughTray(const std::string& trayProgram,
                                                 const std::vector<std::string>& homeArgs) {
    std::vector<std::string> args{"--pick-region"};
    args.insert(args.end(), homeArgs.begin(), homeArgs.end());
    const DetachedStart picker = startDetached({trayProgram, args, {}, true, {}});
    if (picker.error != 0) {
        throw cannotStartTray(trayProgram, picker.error);
    }
    const std::vector<std::uint8_t> answer = readToEnd(picker.output.get());
    const std::string text(answer.begin(), answer.end());
    const std::size_t eol = text.find('\n');
    const std::string head = text.substr(0, eol);
    const std::string rest = eol == std::string::npos ? "" : text.substr(eol + 1);
    if (head == "cancelled") {
        return std::nullopt;
    }
    if (head == "error") {
        throw Error(rest);
    }
    if (head != "region" || rest.empty() || rest.back() != '\n') {
        throw Error("The selector ended without an answer");
    }
    return rest.substr(0, rest.size() - 1);
}

}  // namespace pelko
