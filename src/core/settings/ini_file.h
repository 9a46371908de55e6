#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pelko {

// An INI file with the semantics of Windows profile files.
//
// Section and key names match without regard to case. A string read yields the stored text
// when the key is present (also an empty one) and the default only when it is absent; values
// are read up to 2047 characters. An integer read takes decimal, or hexadecimal after "0x" or
// "0X", and yields the default for anything else. Every write goes to the disk at once,
// keeping every other line, its order and its comments; a refused write throws "Unable to
// write to <path>". A write takes the file as it is on disk at that moment, under an advisory
// lock on its folder, so concurrent writers of other keys keep their changes.
//
// The file is kept what it is: a symbolic link is written through, a file that cannot be read
// is never replaced, one without write permission is never rewritten, and the owner, the mode
// and hard links stay (the new text goes to a temporary file beside the real file that is
// then renamed over it, or, where that cannot keep them or no temporary file can be made,
// into the file itself, flushed). Special files (FIFOs, devices) are never opened for
// reading; a UTF-8 byte-order mark is skipped and kept.
class IniFile {
  public:
    // Reads the file; a missing or unreadable file behaves as a file with no keys.
    explicit IniFile(std::string path);
    ~IniFile();
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    // Groups the writes made while it lives into one replace of the file, written by
    // commit(). Writes not committed are dropped. Batches do not nest.
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

    std::string readString(std::string_view section, std::string_view key,
                           std::string_view def) const;
    std::int32_t readInteger(std::string_view section, std::string_view key,
                             std::int32_t def) const;
    bool readBool(std::string_view section, std::string_view key, bool def) const;
    bool valueExists(std::string_view section, std::string_view key) const;

    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeInteger(std::string_view section, std::string_view key, std::int32_t value);
    void writeBool(std::string_view section, std::string_view key, bool value);
    // Removes the key's line, as a profile write of no value does; an absent key leaves the
    // file untouched.
    void deleteKey(std::string_view section, std::string_view key);

    // The longest value text a read returns.
    static constexpr std::size_t kMaxValueLength = 2047;
    // The largest file read; a larger file reads its first part and refuses writes.
    static constexpr std::size_t kMaxFileSize = std::size_t(8) << 20;

  private:
    struct Location {
        std::size_t sectionLine;  // the "[section]" line, or npos when absent
        std::optional<std::size_t> keyLine;
        std::size_t insertAt;  // where a new key of this section goes
    };
    Location locate(std::string_view section, std::string_view key) const;
    void load();
    void save() const;
    // Applies a change to the lines: inside a batch in memory, else as a batch of its own.
    template <typename Edit>
    void change(Edit edit);

    std::string m_path;
    std::vector<std::string> m_lines;  // without line endings
    std::string m_newline = "\n";      // the file's own line ending, kept when rewriting
    bool m_bom = false;                // the file starts with a UTF-8 byte-order mark
    bool m_writable = true;            // false: the file exists but was not read whole
    // While a batch runs: the lock on the folder, and whether the lines changed.
    int m_lock = -1;
    bool m_changed = false;
};

// Parses an integer the way IniFile::readInteger does; none when the text is not an integer.
std::optional<std::int32_t> parseProfileInteger(std::string_view text);

}  // namespace pelko
