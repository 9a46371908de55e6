// Any text parses to a value or is refused with a pelko::Error, and a parsed value written
// back as JSON parses to the same value.
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>

#include "core/error.h"
#include "fuzz/fuzz_entries.h"
#include "platform/wayland/json_value.h"

namespace pelko::fuzz {

namespace {

using wayland::JsonValue;

void writeString(std::string& out, const std::string& s) {
    out += '"';
    for (const char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", unsigned(c));
            out += escape;
        } else {
            out += c;  // other bytes as they are, UTF-8 or not: the reader keeps them
        }
    }
    out += '"';
}

void writeJson(std::string& out, const JsonValue& v) {
    switch (v.kind) {
        case JsonValue::Kind::Null:
            out += "null";
            break;
        case JsonValue::Kind::Bool:
            out += v.boolean ? "true" : "false";
            break;
        case JsonValue::Kind::Number:
            if (std::isinf(v.number)) {
                out += v.number < 0 ? "-1e999" : "1e999";  // what strtod reads as infinite
            } else {
                char digits[40];
                std::snprintf(digits, sizeof digits, "%.17g", v.number);
                out += digits;
            }
            break;
        case JsonValue::Kind::String:
            writeString(out, v.string);
            break;
        case JsonValue::Kind::Array: {
            out += '[';
            const char* separator = "";
            for (const JsonValue& item : v.items) {
                out += separator;
                writeJson(out, item);
                separator = ",";
            }
            out += ']';
            break;
        }
        case JsonValue::Kind::Object: {
            out += '{';
            const char* separator = "";
            for (const auto& [key, member] : v.members) {
                out += separator;
                writeString(out, key);
                out += ':';
                writeJson(out, member);
                separator = ",";
            }
            out += '}';
            break;
        }
    }
}

bool same(const JsonValue& a, const JsonValue& b) {
    if (a.kind != b.kind || a.boolean != b.boolean || a.string != b.string ||
        a.items.size() != b.items.size() || a.members.size() != b.members.size()) {
        return false;
    }
    if (a.number != b.number && !(std::isnan(a.number) && std::isnan(b.number))) {
        return false;
    }
    for (std::size_t i = 0; i < a.items.size(); ++i) {
        if (!same(a.items[i], b.items[i])) {
            return false;
        }
    }
    for (auto ia = a.members.begin(), ib = b.members.begin(); ia != a.members.end(); ++ia, ++ib) {
        if (ia->first != ib->first || !same(ia->second, ib->second)) {
            return false;
        }
    }
    return true;
}

// What the window lists read of every value: numbers cut to int, members looked up.
void readAll(const JsonValue& v) {
    check(v.kind == JsonValue::Kind::Number || wayland::intOf(&v) == 0,
          "only a number gives an int other than 0");
    for (const JsonValue& item : v.items) {
        readAll(item);
    }
    for (const auto& [key, member] : v.members) {
        check(v.member(key) == &member, "every member is found by its key");
        readAll(member);
    }
}

}  // namespace

int fuzzJson(const std::uint8_t* data, std::size_t size) {
    JsonValue value;
    try {
        value = wayland::parseJson(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const Error&) {
        return 0;
    }
    readAll(value);
    std::string written;
    writeJson(written, value);
    JsonValue again;
    try {
        again = wayland::parseJson(written);
    } catch (const Error&) {
        throw Finding("a parsed value written back as JSON parses again");
    }
    check(same(value, again), "a parsed value written back as JSON parses to the same value");
    return 0;
}

}  // namespace pelko::fuzz
