#include "platform/desktop/tray_message.h"

#include "core/percent_coding.h"

namespace pelko {

namespace {

constexpr std::string_view kEdit = "edit";
constexpr std::string_view kCountdown = "countdown";
constexpr std::string_view kShow = "show";
constexpr int kMaxCountdown = 3600;

bool keptAsIs(unsigned char byte) {
    return byte > 0x20 && byte < 0x7f && byte != '%';
}

// The path of an escaped word; none for a bad escape or a NUL byte, which no path holds.
std::optional<std::string> unescaped(std::string_view word) {
    if (word.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    return percentDecoded(word);
}

// The words of a line, split at single spaces (an empty word between two spaces is kept).
std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> out;
    for (std::size_t start = 0;;) {
        const std::size_t end = line.find(' ', start);
        out.push_back(line.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos) {
            return out;
        }
        start = end + 1;
    }
}

std::optional<int> count(std::string_view word) {
    if (word.empty() || word.size() > 9) {
        return std::nullopt;
    }
    int value = 0;
    for (const char c : word) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value > kMaxCountdown ? kMaxCountdown : value;
}

}  // namespace

TrayMessage TrayMessage::edit(std::vector<std::string> files) {
    TrayMessage message;
    message.files = std::move(files);
    return message;
}

TrayMessage TrayMessage::countdown(int secondsLeft) {
    TrayMessage message;
    message.kind = Kind::Countdown;
    message.secondsLeft = secondsLeft;
    return message;
}

TrayMessage TrayMessage::show() {
    TrayMessage message;
    message.kind = Kind::Show;
    return message;
}

std::string encodeTrayMessage(const TrayMessage& message) {
    std::string line;
    if (message.kind == TrayMessage::Kind::Show) {
        line = kShow;
    } else if (message.kind == TrayMessage::Kind::Countdown) {
        line = std::string(kCountdown) + ' ' +
               std::to_string(message.secondsLeft < 0 ? 0 : message.secondsLeft);
    } else {
        line = kEdit;
        for (const std::string& path : message.files) {
            line += ' ';
            appendPercentEncoded(line, path, keptAsIs);
        }
    }
    line += '\n';
    return line;
}

std::optional<TrayMessage> decodeTrayMessage(std::string_view line) {
    const std::vector<std::string_view> parts = words(line);
    TrayMessage message;
    if (parts[0] == kShow) {
        if (parts.size() != 1) {
            return std::nullopt;
        }
        message.kind = TrayMessage::Kind::Show;
        return message;
    }
    if (parts[0] == kCountdown) {
        const std::optional<int> seconds = parts.size() == 2 ? count(parts[1]) : std::nullopt;
        if (!seconds) {
            return std::nullopt;
        }
        message.kind = TrayMessage::Kind::Countdown;
        message.secondsLeft = *seconds;
        return message;
    }
    if (parts[0] != kEdit) {
        return std::nullopt;
    }
    for (std::size_t i = 1; i < parts.size(); ++i) {
        std::optional<std::string> path = unescaped(parts[i]);
        if (!path) {
            return std::nullopt;
        }
        if (!path->empty()) {
            message.files.push_back(std::move(*path));
        }
    }
    if (message.files.empty()) {
        return std::nullopt;
    }
    return message;
}

void TrayLineReader::feed(std::string_view bytes) {
    if (m_overflowed) {
        return;
    }
    m_buffer.append(bytes);
    // Complete lines wait for next(); only the unfinished last one is measured.
    const std::size_t lastBreak = m_buffer.rfind('\n');
    const std::size_t open =
        lastBreak == std::string::npos ? m_buffer.size() : m_buffer.size() - lastBreak - 1;
    if (open > kMaxTrayLine) {
        m_overflowed = true;
        m_buffer.clear();
    }
}

std::optional<std::string> TrayLineReader::next() {
    const std::size_t end = m_buffer.find('\n');
    if (end == std::string::npos) {
        return std::nullopt;
    }
    std::string line = m_buffer.substr(0, end);
    m_buffer.erase(0, end + 1);
    if (line.size() > kMaxTrayLine) {
        m_overflowed = true;
        m_buffer.clear();
        return std::nullopt;
    }
    return line;
}

}  // namespace pelko
