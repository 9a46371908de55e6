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
// "0X", and yields the default for anything else. Every write goes to the disk at once and
// replaces the file atomically (temporary file, flushed, renamed), keeping every other line,
// its order and its comments; a refused write throws "Unable to write to <path>".
class IniFile {
  public:
    // Reads the file; a missing or unreadable file behaves as a file with no keys.
    explicit IniFile(std::string path);

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

  private:
    struct Location {
        std::size_t sectionLine;  // the "[section]" line, or npos when absent
        std::optional<std::size_t> keyLine;
        std::size_t insertAt;  // where a new key of this section goes
    };
    Location locate(std::string_view section, std::string_view key) const;
    void save() const;

    std::string m_path;
    std::vector<std::string> m_lines;  // without line endings
    std::string m_newline = "\n";      // the file's own line ending, kept when rewriting
};

// Parses an integer the way IniFile::readInteger does; none when the text is not an integer.
std::optional<std::int32_t> parseProfileInteger(std::string_view text);

}  // namespace pelko
