#include "core/settings/ini_file.h"

#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <limits>
#include <utility>

#include "core/error.h"
#include "core/settings/settings_file_io.h"

namespace pelko {

namespace {

constexpr std::size_t npos = std::string::npos;
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string_view trim(std::string_view s) {
    const char* ws = " \t\r\n";
    std::size_t b = s.find_first_not_of(ws);
    if (b == npos) {
        return {};
    }
    std::size_t e = s.find_last_not_of(ws);
    return s.substr(b, e - b + 1);
}

bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = a[i], y = b[i];
        if (std::tolower(x) != std::tolower(y)) {
            return false;
        }
    }
    return true;
}

// "[name]" lines; the name is what stands between the brackets, trimmed.
std::optional<std::string_view> sectionName(std::string_view line) {
    std::string_view t = trim(line);
    if (t.size() < 2 || t.front() != '[') {
        return std::nullopt;
    }
    std::size_t close = t.find(']');
    if (close == npos) {
        return std::nullopt;
    }
    return trim(t.substr(1, close - 1));
}

// "key=value" lines; comment lines (";" first) and lines without "=" hold no key.
std::optional<std::pair<std::string_view, std::string_view>> keyValue(std::string_view line) {
    std::string_view t = trim(line);
    if (t.empty() || t.front() == ';' || t.front() == '[') {
        return std::nullopt;
    }
    std::size_t eq = t.find('=');
    if (eq == npos) {
        return std::nullopt;
    }
    return std::pair{trim(t.substr(0, eq)), trim(t.substr(eq + 1))};
}

// Profile files drop one pair of matching quotes around a value.
std::string_view unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        return v.substr(1, v.size() - 2);
    }
    return v;
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

IniFile::~IniFile() {
    if (m_lock >= 0) {
        ::close(m_lock);
    }
}

void IniFile::load() {
    m_lines.clear();
    m_newline = "\n";
    m_bom = false;
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
    if (text.starts_with(kUtf8Bom)) {
        m_bom = true;
        text.erase(0, kUtf8Bom.size());
    }
    if (text.find("\r\n") != npos) {
        m_newline = "\r\n";
    }
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == npos ? npos : end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        m_lines.push_back(std::move(line));
        if (end == npos) {
            break;
        }
        start = end + 1;
    }
}

IniFile::Batch::Batch(IniFile& file) : m_file(file) {
    m_file.m_lock = lockFolderOf(m_file.m_path);
    m_file.m_changed = false;
    // The file as it is now, not as it was when this object read it.
    m_file.load();
}

IniFile::Batch::~Batch() {
    if (!m_done && m_file.m_changed) {
        m_file.load();  // drops the changes that were not written
    }
    if (m_file.m_lock >= 0) {
        ::close(m_file.m_lock);
    }
    m_file.m_lock = -1;
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
    if (m_lock >= 0) {
        m_changed = edit() || m_changed;
        return;
    }
    Batch batch(*this);
    m_changed = edit();
    batch.commit();
}

IniFile::Location IniFile::locate(std::string_view section, std::string_view key) const {
    Location loc{npos, std::nullopt, m_lines.size()};
    bool inSection = false;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (auto name = sectionName(m_lines[i])) {
            if (inSection) {
                return loc;  // the first section of that name is the one that counts
            }
            inSection = equalNoCase(*name, section);
            if (inSection) {
                loc.sectionLine = i;
                loc.insertAt = i + 1;
            }
            continue;
        }
        if (!inSection) {
            continue;
        }
        if (!trim(m_lines[i]).empty()) {
            loc.insertAt = i + 1;
        }
        if (auto kv = keyValue(m_lines[i]); kv && !loc.keyLine && equalNoCase(kv->first, key)) {
            loc.keyLine = i;
        }
    }
    return loc;
}

std::string IniFile::readString(std::string_view section, std::string_view key,
                                std::string_view def) const {
    Location loc = locate(section, key);
    if (!loc.keyLine) {
        return std::string(def);
    }
    std::string_view value = unquote(keyValue(m_lines[*loc.keyLine])->second);
    return std::string(value.substr(0, kMaxValueLength));
}

std::int32_t IniFile::readInteger(std::string_view section, std::string_view key,
                                  std::int32_t def) const {
    return parseProfileInteger(readString(section, key, "")).value_or(def);
}

bool IniFile::readBool(std::string_view section, std::string_view key, bool def) const {
    return readInteger(section, key, def ? 1 : 0) != 0;
}

bool IniFile::valueExists(std::string_view section, std::string_view key) const {
    return locate(section, key).keyLine.has_value();
}

void IniFile::writeString(std::string_view section, std::string_view key, std::string_view value) {
    // A line break in a value would split it into lines that read back as other keys.
    std::string clean(value);
    for (char& c : clean) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    const std::string line = std::string(key) + "=" + clean;
    change([&] {
        Location loc = locate(section, key);
        if (loc.keyLine) {
            m_lines[*loc.keyLine] = line;
        } else if (loc.sectionLine != npos) {
            m_lines.insert(m_lines.begin() + std::ptrdiff_t(loc.insertAt), line);
        } else {
            if (!m_lines.empty() && !trim(m_lines.back()).empty()) {
                m_lines.emplace_back();
            }
            m_lines.push_back("[" + std::string(section) + "]");
            m_lines.push_back(line);
        }
        return true;
    });
}

void IniFile::writeInteger(std::string_view section, std::string_view key, std::int32_t value) {
    writeString(section, key, std::to_string(value));
}

void IniFile::writeBool(std::string_view section, std::string_view key, bool value) {
    writeString(section, key, value ? "1" : "0");
}

void IniFile::deleteKey(std::string_view section, std::string_view key) {
    change([&] {
        Location loc = locate(section, key);
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
    std::string text = m_bom ? std::string(kUtf8Bom) : std::string();
    for (const std::string& line : m_lines) {
        text += line;
        text += m_newline;
    }
    if (!writeSettingsText(m_path, text)) {
        throw failure;
    }
}

}  // namespace pelko
