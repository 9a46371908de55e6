#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pelko {

// What the command line tells a running tray program of its program folder through its socket:
// one message a line.
//   "edit PATH..."   opens the files in the editor; each path percent-escaped (every byte
//                    that is not printable ASCII, the space and "%" become %XX), so names with
//                    spaces, line breaks or bytes that are no UTF-8 arrive as they were
//   "countdown N"    the seconds left of a delayed capture, 0 when the wait is over
//   "show"           brings the main window forward (Pelko started again from a launcher)
struct TrayMessage {
    enum class Kind { Edit, Countdown, Show };
    Kind kind = Kind::Edit;
    std::vector<std::string> files;  // Edit
    int secondsLeft = 0;             // Countdown

    static TrayMessage edit(std::vector<std::string> files);
    static TrayMessage countdown(int secondsLeft);
    static TrayMessage show();
};

// The longest line a tray program reads: far more paths than a command line holds. The
// connection of a peer that sends a longer one is dropped.
inline constexpr std::size_t kMaxTrayLine = 1 << 20;

// The line of a message, ended by "\n".
std::string encodeTrayMessage(const TrayMessage& message);

// The message of a line (without its "\n"); none for anything else: an unknown word, a bad
// escape, a path holding a NUL byte, an edit without paths, a count that is no number. Empty
// paths are left out; counts above an hour are read as an hour.
std::optional<TrayMessage> decodeTrayMessage(std::string_view line);

// Cuts the bytes of one connection into lines, no longer than kMaxTrayLine.
class TrayLineReader {
  public:
    // Adds bytes as read from the connection.
    void feed(std::string_view bytes);
    // The next complete line (without its "\n"), if one is there.
    std::optional<std::string> next();
    // Whether a line grew past the limit: the connection is no use any more.
    bool overflowed() const { return m_overflowed; }

  private:
    std::string m_buffer;
    bool m_overflowed = false;
};

}  // namespace pelko
