// The bytes of a tray connection, cut into pieces, become the same lines whatever the pieces;
// every message decoded from a line holds what the decoder promises and survives being encoded
// and decoded again.
#include <optional>
#include <string>
#include <string_view>

#include "fuzz/fuzz_entries.h"
#include "platform/desktop/tray_message.h"

namespace pelko::fuzz {

namespace {

void checkMessage(std::string_view line) {
    const std::optional<TrayMessage> message = decodeTrayMessage(line);
    if (!message) {
        return;
    }
    if (message->kind == TrayMessage::Kind::Countdown) {
        check(message->secondsLeft >= 0 && message->secondsLeft <= 3600,
              "a countdown lies between 0 and an hour");
    } else if (message->kind == TrayMessage::Kind::Show) {
        check(line == "show", "only the word itself asks for the window");
    } else {
        check(!message->files.empty(), "an edit message has paths");
        for (const std::string& path : message->files) {
            check(!path.empty(), "no path of an edit message is empty");
            check(path.find('\0') == std::string::npos, "no path holds a NUL byte");
        }
    }
    const std::string encoded = encodeTrayMessage(*message);
    check(!encoded.empty() && encoded.find('\n') == encoded.size() - 1,
          "an encoded message is one line");
    const std::optional<TrayMessage> again =
        decodeTrayMessage(std::string_view(encoded).substr(0, encoded.size() - 1));
    check(again && again->kind == message->kind && again->files == message->files &&
              again->secondsLeft == message->secondsLeft,
          "an encoded message decodes to itself");
}

}  // namespace

// The first byte gives the size of the pieces the rest arrives in (1 to 64 bytes).
int fuzzTrayMessage(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::size_t piece = data[0] % 64 + 1;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    TrayLineReader reader;
    std::string lines;  // the lines read, each with its "\n" again
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
        reader.feed(bytes.substr(at, piece));
        while (const std::optional<std::string> line = reader.next()) {
            check(line->find('\n') == std::string::npos, "a line holds no line break");
            check(line->size() <= kMaxTrayLine, "no line is longer than the limit");
            lines += *line;
            lines += '\n';
            checkMessage(*line);
        }
    }
    if (reader.overflowed()) {
        check(bytes.size() > kMaxTrayLine, "only a line longer than the limit overflows");
        return 0;
    }
    const std::size_t lastBreak = bytes.rfind('\n');
    check(lines == bytes.substr(0, lastBreak == std::string_view::npos ? 0 : lastBreak + 1),
          "the lines read are the bytes sent up to the last line break");
    // The unfinished rest, as a message of its own.
    checkMessage(bytes.substr(lastBreak == std::string_view::npos ? 0 : lastBreak + 1));
    return 0;
}

}  // namespace pelko::fuzz
