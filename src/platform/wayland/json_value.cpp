#include "platform/wayland/json_value.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>

#include "core/error.h"

namespace pelko::wayland {

namespace {

constexpr int kMaxDepth = 256;

class Parser {
  public:
    explicit Parser(std::string_view text) : m_text(text) {}

    JsonValue document() {
        JsonValue v = value(0);
        skipSpace();
        if (m_pos != m_text.size()) {
            fail();
        }
        return v;
    }

  private:
    [[noreturn]] void fail() const { unreadableAnswer(); }

    void skipSpace() {
        while (m_pos < m_text.size() && (m_text[m_pos] == ' ' || m_text[m_pos] == '\n' ||
                                         m_text[m_pos] == '\r' || m_text[m_pos] == '\t')) {
            ++m_pos;
        }
    }

    bool take(char c) {
        skipSpace();
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }

    void expect(char c) {
        if (!take(c)) {
            fail();
        }
    }

    bool word(std::string_view w) {
        if (m_text.substr(m_pos, w.size()) == w) {
            m_pos += w.size();
            return true;
        }
        return false;
    }

    JsonValue value(int depth) {
        if (depth > kMaxDepth) {
            fail();
        }
        skipSpace();
        if (m_pos >= m_text.size()) {
            fail();
        }
        JsonValue v;
        const char c = m_text[m_pos];
        if (c == '{') {
            ++m_pos;
            v.kind = JsonValue::Kind::Object;
            if (take('}')) {
                return v;
            }
            do {
                skipSpace();
                std::string key = string();
                expect(':');
                v.members[std::move(key)] = value(depth + 1);
            } while (take(','));
            expect('}');
        } else if (c == '[') {
            ++m_pos;
            v.kind = JsonValue::Kind::Array;
            if (take(']')) {
                return v;
            }
            do {
                v.items.push_back(value(depth + 1));
            } while (take(','));
            expect(']');
        } else if (c == '"') {
            v.kind = JsonValue::Kind::String;
            v.string = string();
        } else if (word("true")) {
            v.kind = JsonValue::Kind::Bool;
            v.boolean = true;
        } else if (word("false")) {
            v.kind = JsonValue::Kind::Bool;
        } else if (word("null")) {
            v.kind = JsonValue::Kind::Null;
        } else {
            v.kind = JsonValue::Kind::Number;
            v.number = number();
        }
        return v;
    }

    double number() {
        const std::size_t start = m_pos;
        while (m_pos < m_text.size() &&
               std::string_view("+-0123456789.eE").find(m_text[m_pos]) != std::string_view::npos) {
            ++m_pos;
        }
        const std::string digits(m_text.substr(start, m_pos - start));
        char* end = nullptr;
        const double n = std::strtod(digits.c_str(), &end);
        if (digits.empty() || end != digits.c_str() + digits.size()) {
            fail();
        }
        return n;
    }

    unsigned hex4() {
        if (m_pos + 4 > m_text.size()) {
            fail();
        }
        unsigned v = 0;
        for (int i = 0; i < 4; ++i) {
            const char h = m_text[m_pos++];
            v <<= 4;
            if (h >= '0' && h <= '9') {
                v |= unsigned(h - '0');
            } else if (h >= 'a' && h <= 'f') {
                v |= unsigned(h - 'a' + 10);
            } else if (h >= 'A' && h <= 'F') {
                v |= unsigned(h - 'A' + 10);
            } else {
                fail();
            }
        }
        return v;
    }

    void appendUtf8(std::string& out, unsigned cp) {
        if (cp < 0x80) {
            out += char(cp);
        } else if (cp < 0x800) {
            out += char(0xC0 | (cp >> 6));
            out += char(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += char(0xE0 | (cp >> 12));
            out += char(0x80 | ((cp >> 6) & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        } else {
            out += char(0xF0 | (cp >> 18));
            out += char(0x80 | ((cp >> 12) & 0x3F));
            out += char(0x80 | ((cp >> 6) & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        }
    }

    std::string string() {
        if (m_pos >= m_text.size() || m_text[m_pos] != '"') {
            fail();
        }
        ++m_pos;
        std::string out;
        for (;;) {
            if (m_pos >= m_text.size()) {
                fail();
            }
            const char c = m_text[m_pos++];
            if (c == '"') {
                return out;
            }
            if (c != '\\') {
                out += c;
                continue;
            }
            if (m_pos >= m_text.size()) {
                fail();
            }
            const char e = m_text[m_pos++];
            switch (e) {
                case '"':
                case '\\':
                case '/':
                    out += e;
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'u': {
                    unsigned cp = hex4();
                    if (cp >= 0xD800 && cp < 0xDC00 && word("\\u")) {
                        const unsigned low = hex4();
                        if (low < 0xDC00 || low >= 0xE000) {
                            fail();
                        }
                        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                    }
                    appendUtf8(out, cp);
                    break;
                }
                default:
                    fail();
            }
        }
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
};

}  // namespace

int intOf(const JsonValue* v) {
    if (!v || v->kind != JsonValue::Kind::Number || !(v->number == v->number)) {
        return 0;
    }
    return int(std::clamp(v->number, double(INT_MIN), double(INT_MAX)));
}

void unreadableAnswer() {
    throw Error("The compositor sent a window list Pelko cannot read");
}

const JsonValue* JsonValue::member(const std::string& key) const {
    if (kind != Kind::Object) {
        return nullptr;
    }
    const auto it = members.find(key);
    return it == members.end() ? nullptr : &it->second;
}

JsonValue parseJson(std::string_view text) {
    return Parser(text).document();
}

}  // namespace pelko::wayland
