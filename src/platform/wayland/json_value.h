#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pelko::wayland {

// A parsed JSON value, as compositors' IPC answers are written. Numbers are kept as doubles.
struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string string;
    std::vector<JsonValue> items;              // Array
    std::map<std::string, JsonValue> members;  // Object

    // The member named key of an object; nullptr when there is none or this is no object.
    const JsonValue* member(const std::string& key) const;
};

// Parses one JSON text. Throws pelko::Error for malformed text or nesting deeper than 256.
JsonValue parseJson(std::string_view text);

// The number v holds, cut to the range of int; 0 when v is no number.
int intOf(const JsonValue* v);

// Throws pelko::Error: the compositor's answer is not what its IPC writes.
[[noreturn]] void unreadableAnswer();

}  // namespace pelko::wayland
