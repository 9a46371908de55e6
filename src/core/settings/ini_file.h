#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/file_descriptor.h"

namespace pelko {

// An INI file with the semantics of Windows profile files.
//
// The file is read as Windows reads it: UTF-16 (little- or big-endian) after its byte-order
// mark, UTF-8 after its mark, and otherwise as the bytes it holds. Lines end at CR, LF or
// CR LF. Names and values are trimmed of tab, LF, VT, FF, CR, space and the DOS end-of-file
// mark ^Z, and end at a NUL byte; a section's name is what stands between its "[" and its
// last "]", and a line without "=" names a key that has no value. Section and key names match
// without regard to case; the first section of a name and the first line of a key in it count. A
// string read yields the stored text when the key has a value (also an empty one), without one pair
// of matching quotes and up to 2047 characters, and the caller's default, less its trailing spaces,
// when it has none. An integer read takes decimal, or hexadecimal after "0x" or "0X", and yields
// the default for anything else.
//
// Every write goes to the disk at once and changes only what it must: a key's line keeps its
// spelling of the name and everything before the value, a line without "=" gets its value in
// place, a value that is already stored leaves the file untouched, every other line keeps its
// bytes and its own line ending, and new lines take the line ending the file already uses (LF
// in a new file). The file keeps its encoding and byte-order mark. A refused write throws
// "Unable to write to <path>". A write takes the file as it is on disk at that moment, under
// an advisory lock on its folder, so concurrent writers of other keys keep their changes.
//
// The file is kept what it is: a symbolic link is written through, a file that cannot be read
// is never replaced, one without write permission is never rewritten, and the owner, the mode
// and hard links stay (the new text goes to a temporary file beside the real file that is
// then renamed over it, or, where that cannot keep them or no temporary file can be made,
// into the file itself, flushed). Special files (FIFOs, devices) are never opened for
// reading.
class IniFile {
  public:
    // Reads the file; a missing or unreadable file behaves as a file with no keys.
    explicit IniFile(std::string path);
    ~IniFile();
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    // Groups the writes made while it lives into one replace of the file, written by
    // commit(). Writes not committed are dropped. Batches do not nest, and while one is open
    // the same file is written through this object only: another IniFile's write would wait
    // for the batch's lock.
    class Batch {
      public:
        explicit Batch(IniFile& file);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
        void commit();

      private:
        IniFile& m_file;
        bool m_done = false;
    };

    const std::string& path() const { return m_path; }

    // Values as stored: the bytes of the file, or UTF-8 for a UTF-16 file.
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view def) const;
    std::int32_t readInteger(std::string_view section, std::string_view key,
                             std::int32_t def) const;
    bool readBool(std::string_view section, std::string_view key, bool def) const;
    bool valueExists(std::string_view section, std::string_view key) const;

    // Stores the value without its leading blanks, as Windows does; in a UTF-16 file, bytes
    // that are not UTF-8 are taken as Windows-1252.
    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeInteger(std::string_view section, std::string_view key, std::int32_t value);
    void writeBool(std::string_view section, std::string_view key, bool value);
    // Removes the key's line, as a profile write of no value does; an absent key leaves the
    // file untouched.
    void deleteKey(std::string_view section, std::string_view key);

    // Text that people type (host names, user names, passwords), as UTF-8. A file written by
    // Windows without a byte-order mark holds its text in the ANSI code page, so a stored
    // value that is not UTF-8 is read as Windows-1252 (in a file with a byte-order mark, which
    // is Unicode throughout, its stray bytes read as U+FFFD). UTF-8 is tried first because a
    // Windows-1252 text that happens to be well-formed UTF-8 is very rare (it takes letters
    // such as "Ã" followed by symbols), while this program writes UTF-8.
    std::string readText(std::string_view section, std::string_view key,
                         std::string_view def) const;
    // Writes text read by readText and given back: a value that reads as this text already
    // keeps its bytes (a password typed on Windows survives a round trip unchanged). A changed
    // value goes to an ANSI file (one without byte-order mark that is not UTF-8, which only
    // Windows writes) in Windows-1252, so that Windows and this program both read it as typed,
    // and everywhere else, or when Windows-1252 lacks one of its characters, in UTF-8.
    void writeText(std::string_view section, std::string_view key, std::string_view value);

    // The longest value text a read returns.
    static constexpr std::size_t kMaxValueLength = 2047;
    // The largest file read; a larger file reads its first part and refuses writes.
    static constexpr std::size_t kMaxFileSize = std::size_t(8) << 20;

  private:
    enum class Encoding {
        Bytes,    // no byte-order mark: UTF-8, or the ANSI code page of the Windows that wrote it
        Utf8Bom,  // UTF-8 after its byte-order mark
        Utf16Le,  // UTF-16 after its byte-order mark, held as UTF-8 while in memory
        Utf16Be,
    };
    struct Line {
        std::string text;  // without its line ending
        std::string end;   // "\n", "\r\n", "\r", or nothing on a last line
    };
    struct Location {
        std::size_t sectionLine;  // the "[section]" line, or npos when absent
        std::optional<std::size_t> keyLine;
        std::size_t insertAt;  // where a new key of this section goes
    };
    Location locate(std::string_view section, std::string_view key) const;
    // The stored value of the key (before quotes are removed); none when the key is absent
    // or its line has no "=".
    std::optional<std::string_view> storedValue(std::string_view section,
                                                std::string_view key) const;
    bool unicode() const { return m_encoding != Encoding::Bytes; }
    // A value read as UTF-8 text (see readText).
    std::string textOf(std::string_view value) const;
    // Sets the key's value to exactly these bytes; whether the lines changed.
    bool setValue(std::string_view section, std::string_view key, std::string_view value);
    void insertLine(std::size_t at, std::string text);
    void load();
    void save() const;
    // Applies a change to the lines: inside a batch in memory, else as a batch of its own.
    template <typename Edit>
    void change(Edit edit);

    std::string m_path;
    std::vector<Line> m_lines;
    std::string m_newline = "\n";  // the file's own line ending, for the lines added
    Encoding m_encoding = Encoding::Bytes;
    bool m_ansi = false;     // Bytes that are not UTF-8
    std::string m_oddByte;   // the byte after the last whole UTF-16 unit, kept as it is
    bool m_writable = true;  // false: the file exists but was not read whole
    // While a batch runs: the lock on the folder (when it could be taken), and whether the
    // lines changed.
    bool m_inBatch = false;
    FileDescriptor m_lock;
    bool m_changed = false;
};

// Parses an integer the way IniFile::readInteger does; none when the text is not an integer.
std::optional<std::int32_t> parseProfileInteger(std::string_view text);

}  // namespace pelko
