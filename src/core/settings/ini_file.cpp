#include "core/settings/ini_file.h"

#include <charconv>
#include <utility>

#include "core/error.h"
#include "core/settings/profile_text.h"
#include "core/settings/settings_file_io.h"

namespace pelko {

namespace {

constexpr std::size_t npos = std::string::npos;
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kUtf16BeBom = "\xFE\xFF";
// What Windows trims around names and values: tab, LF, VT, FF, CR, space, and the DOS
// end-of-file mark ^Z that old editors left at the end of a file.
constexpr std::string_view kBlanks = " \t\n\v\f\r\x1A";

std::string_view trimStart(std::string_view s) {
    const std::size_t b = s.find_first_not_of(kBlanks);
    return b == npos ? std::string_view() : s.substr(b);
}

std::string_view trimEnd(std::string_view s) {
    const std::size_t e = s.find_last_not_of(kBlanks);
    return e == npos ? std::string_view() : s.substr(0, e + 1);
}

std::string_view trim(std::string_view s) {
    return trimEnd(trimStart(s));
}

// Windows keeps names and values as C strings: a NUL byte ends them.
std::string_view cString(std::string_view s) {
    return s.substr(0, s.find('\0'));
}

bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    const auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (fold(a[i]) != fold(b[i])) {
            return false;
        }
    }
    return true;
}

// One line of the file as a profile reader sees it.
struct ParsedLine {
    enum Kind { Other, Section, Key } kind = Other;  // Other: blank or a comment (";" first)
    std::string_view name;                           // of the section or the key
    std::optional<std::string_view> value;           // trimmed; none for a key without "="
    std::size_t nameEnd = 0;                         // where the trimmed key name ends in the line
    std::size_t valueStart = 0;                      // where the value starts in the line
};

ParsedLine parseLine(std::string_view line) {
    ParsedLine p;
    const std::string_view t = trim(line);
    if (t.empty() || t.front() == ';') {
        return p;
    }
    // "[name]": the name ends at the last "]"; a "[" line without one is a key line.
    if (t.front() == '[') {
        if (const std::size_t close = t.rfind(']'); close != npos) {
            p.kind = ParsedLine::Section;
            p.name = cString(trim(t.substr(1, close - 1)));
            return p;
        }
    }
    p.kind = ParsedLine::Key;
    const std::size_t begin = std::size_t(t.data() - line.data());
    const std::size_t eq = t.find('=');
    if (eq == npos) {
        p.name = cString(t);
        p.nameEnd = begin + t.size();
        return p;
    }
    const std::string_view name = trimEnd(t.substr(0, eq));
    p.name = cString(name);
    p.nameEnd = begin + name.size();
    const std::string_view value = trimStart(t.substr(eq + 1));
    p.valueStart = value.empty() ? begin + t.size() : std::size_t(value.data() - line.data());
    p.value = value;
    return p;
}

// Profile files drop one pair of matching quotes around a value.
std::string_view unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        return v.substr(1, v.size() - 2);
    }
    return v;
}

// The value a read returns: up to its first NUL, unquoted, and cut to the longest value, at a
// character boundary when the value is UTF-8.
std::string_view readableValue(std::string_view stored) {
    std::string_view v = unquote(cString(stored));
    if (v.size() <= IniFile::kMaxValueLength) {
        return v;
    }
    std::size_t cut = IniFile::kMaxValueLength;
    if (isUtf8(v)) {
        while (cut > 0 && (static_cast<unsigned char>(v[cut]) & 0xC0) == 0x80) {
            --cut;
        }
    }
    return v.substr(0, cut);
}

// Windows drops the trailing spaces of a default before returning it.
std::string_view profileDefault(std::string_view def) {
    return def.substr(0, def.find_last_not_of(' ') + 1);
}

// A value as a profile write stores it: up to its first NUL, without leading blanks, and
// with line breaks made spaces (they would split the value into lines that read back as
// other keys).
std::string storableValue(std::string_view value) {
    std::string clean(trimStart(cString(value)));
    for (char& c : clean) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    return clean;
}

}  // namespace

std::optional<std::int32_t> parseProfileInteger(std::string_view text) {
    text = trim(text);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        std::string_view digits = text.substr(2);
        std::uint32_t v = 0;
        auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v, 16);
        if (ec != std::errc() || end != digits.data() + digits.size()) {
            return std::nullopt;
        }
        return std::int32_t(v);  // eight hex digits give the value's two's-complement reading
    }
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
            return std::nullopt;
        }
    }
    std::int32_t v = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v, 10);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return v;
}

IniFile::IniFile(std::string path) : m_path(std::move(path)) {
    load();
}

IniFile::~IniFile() = default;

void IniFile::load() {
    m_lines.clear();
    m_newline = "\n";
    m_encoding = Encoding::Bytes;
    m_ansi = false;
    m_oddByte.clear();
    m_writable = true;
    std::string text;
    switch (readSettingsText(m_path, kMaxFileSize, text)) {
        case ReadResult::Missing:
            return;
        case ReadResult::Refused:
            m_writable = false;
            return;
        case ReadResult::Cut:
            m_writable = false;
            break;
        case ReadResult::Whole:
            break;
    }
    // Windows tells a Unicode file by its byte-order mark alone; any other file is read as
    // the bytes it holds.
    if (text.starts_with(kUtf8Bom)) {
        m_encoding = Encoding::Utf8Bom;
        text.erase(0, kUtf8Bom.size());
    } else if (text.starts_with(kUtf16LeBom) || text.starts_with(kUtf16BeBom)) {
        const bool bigEndian = text.starts_with(kUtf16BeBom);
        m_encoding = bigEndian ? Encoding::Utf16Be : Encoding::Utf16Le;
        std::string_view units = std::string_view(text).substr(2);
        if (units.size() % 2 != 0) {
            m_oddByte = units.substr(units.size() - 1);
            units.remove_suffix(1);
        }
        text = utf16ToUtf8(units, bigEndian);
    } else {
        m_ansi = !isUtf8(text);
    }
    bool endingSeen = false;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == npos) {
            m_lines.push_back({text.substr(start), std::string()});
            break;
        }
        std::size_t next = end + 1;
        if (text[end] == '\r' && next < text.size() && text[next] == '\n') {
            ++next;
        }
        m_lines.push_back({text.substr(start, end - start), text.substr(end, next - end)});
        if (!endingSeen) {
            m_newline = m_lines.back().end;  // the file's first line ending is its own
            endingSeen = true;
        }
        start = next;
    }
}

IniFile::Batch::Batch(IniFile& file) : m_file(file) {
    m_file.m_lock.reset(lockFolderOf(m_file.m_path));
    m_file.m_inBatch = true;
    m_file.m_changed = false;
    // The file as it is now, not as it was when this object read it.
    m_file.load();
}

IniFile::Batch::~Batch() {
    if (!m_done && m_file.m_changed) {
        m_file.load();  // drops the changes that were not written
    }
    m_file.m_lock.reset();
    m_file.m_inBatch = false;
    m_file.m_changed = false;
}

void IniFile::Batch::commit() {
    if (m_file.m_changed) {
        m_file.save();
    }
    m_done = true;
}

template <typename Edit>
void IniFile::change(Edit edit) {
    if (m_inBatch) {
        m_changed = edit() || m_changed;
        return;
    }
    Batch batch(*this);
    m_changed = edit();
    batch.commit();
}

IniFile::Location IniFile::locate(std::string_view section, std::string_view key) const {
    section = trim(section);
    key = trim(key);
    Location loc{npos, std::nullopt, m_lines.size()};
    bool inSection = false;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const ParsedLine p = parseLine(m_lines[i].text);
        if (p.kind == ParsedLine::Section) {
            if (inSection) {
                return loc;  // the first section of that name is the one that counts
            }
            inSection = equalNoCase(p.name, section);
            if (inSection) {
                loc.sectionLine = i;
                loc.insertAt = i + 1;
            }
            continue;
        }
        if (!inSection) {
            continue;
        }
        if (!trim(m_lines[i].text).empty()) {
            loc.insertAt = i + 1;
        }
        if (p.kind == ParsedLine::Key && !loc.keyLine && equalNoCase(p.name, key)) {
            loc.keyLine = i;
        }
    }
    return loc;
}

std::optional<std::string_view> IniFile::storedValue(std::string_view section,
                                                     std::string_view key) const {
    const Location loc = locate(section, key);
    if (!loc.keyLine) {
        return std::nullopt;
    }
    // The first line of the key counts, also when it has no "=" and so no value.
    return parseLine(m_lines[*loc.keyLine].text).value;
}

std::string IniFile::readString(std::string_view section, std::string_view key,
                                std::string_view def) const {
    const std::optional<std::string_view> stored = storedValue(section, key);
    return std::string(stored ? readableValue(*stored) : profileDefault(def));
}

std::int32_t IniFile::readInteger(std::string_view section, std::string_view key,
                                  std::int32_t def) const {
    return parseProfileInteger(readString(section, key, "")).value_or(def);
}

bool IniFile::readBool(std::string_view section, std::string_view key, bool def) const {
    return readInteger(section, key, def ? 1 : 0) != 0;
}

bool IniFile::valueExists(std::string_view section, std::string_view key) const {
    return storedValue(section, key).has_value();
}

std::string IniFile::readText(std::string_view section, std::string_view key,
                              std::string_view def) const {
    const std::optional<std::string_view> stored = storedValue(section, key);
    return stored ? textOf(readableValue(*stored)) : std::string(profileDefault(def));
}

std::string IniFile::textOf(std::string_view value) const {
    if (isUtf8(value)) {
        return std::string(value);
    }
    return unicode() ? utf8WithReplacements(value) : windows1252ToUtf8(value);
}

bool IniFile::setValue(std::string_view section, std::string_view key, std::string_view value) {
    const Location loc = locate(section, key);
    if (loc.keyLine) {
        // The line keeps what stands before its value: the stored spelling of the name, its
        // indentation and the blanks around "=".
        std::string& text = m_lines[*loc.keyLine].text;
        const ParsedLine p = parseLine(text);
        if (p.value == value) {
            return false;
        }
        text = p.value ? text.substr(0, p.valueStart) + std::string(value)
                       : text.substr(0, p.nameEnd) + "=" + std::string(value);
        return true;
    }
    std::string line = std::string(trim(key)) + "=" + std::string(value);
    if (loc.sectionLine != npos) {
        insertLine(loc.insertAt, std::move(line));
        return true;
    }
    if (!m_lines.empty() && !trim(m_lines.back().text).empty()) {
        insertLine(m_lines.size(), std::string());
    }
    insertLine(m_lines.size(), "[" + std::string(trim(section)) + "]");
    insertLine(m_lines.size(), std::move(line));
    return true;
}

void IniFile::insertLine(std::size_t at, std::string text) {
    if (at > 0 && m_lines[at - 1].end.empty()) {
        m_lines[at - 1].end = m_newline;  // a last line without line ending gets one
    }
    m_lines.insert(m_lines.begin() + std::ptrdiff_t(at), Line{std::move(text), m_newline});
}

void IniFile::writeString(std::string_view section, std::string_view key, std::string_view value) {
    const std::string clean = storableValue(value);
    change([&] { return setValue(section, key, clean); });
}

void IniFile::writeInteger(std::string_view section, std::string_view key, std::int32_t value) {
    writeString(section, key, std::to_string(value));
}

void IniFile::writeBool(std::string_view section, std::string_view key, bool value) {
    writeString(section, key, value ? "1" : "0");
}

void IniFile::writeText(std::string_view section, std::string_view key, std::string_view value) {
    change([&] {
        const std::optional<std::string_view> stored = storedValue(section, key);
        if (stored && textOf(readableValue(*stored)) == value) {
            return false;  // unchanged: the stored bytes stay, whatever their encoding
        }
        std::optional<std::string> ansi = m_ansi ? utf8ToWindows1252(value) : std::nullopt;
        return setValue(section, key, storableValue(ansi ? *ansi : value));
    });
}

void IniFile::deleteKey(std::string_view section, std::string_view key) {
    change([&] {
        const Location loc = locate(section, key);
        if (!loc.keyLine) {
            return false;
        }
        m_lines.erase(m_lines.begin() + std::ptrdiff_t(*loc.keyLine));
        return true;
    });
}

void IniFile::save() const {
    const Error failure(formatMessage("Unable to write to %s", {m_path}));
    if (!m_writable) {
        throw failure;  // a file not read whole is never replaced by what was read of it
    }
    std::string text;
    for (const Line& line : m_lines) {
        text += line.text;
        text += line.end;
    }
    switch (m_encoding) {
        case Encoding::Bytes:
            break;
        case Encoding::Utf8Bom:
            text.insert(0, kUtf8Bom);
            break;
        case Encoding::Utf16Le:
            text = std::string(kUtf16LeBom) + utf8ToUtf16(text, false) + m_oddByte;
            break;
        case Encoding::Utf16Be:
            text = std::string(kUtf16BeBom) + utf8ToUtf16(text, true) + m_oddByte;
            break;
    }
    if (!writeSettingsText(m_path, text)) {
        throw failure;
    }
}

}  // namespace pelko
