#pragma once

#include <string>

#include "core/settings/ini_file.h"
#include "core/settings/keys.h"

// Typed reads and writes of declared keys. The one-argument reads pass the key's declared
// default; the two-argument reads pass the caller's value (the state held in memory).
namespace pelko {

inline std::string read(const IniFile& f, const keys::StringKey& k) {
    return f.readString(k.section, k.name, k.def);
}
inline std::string read(const IniFile& f, const keys::StringKey& k, std::string_view current) {
    return f.readString(k.section, k.name, current);
}
inline std::int32_t read(const IniFile& f, const keys::IntKey& k) {
    return f.readInteger(k.section, k.name, k.def);
}
inline std::int32_t read(const IniFile& f, const keys::IntKey& k, std::int32_t current) {
    return f.readInteger(k.section, k.name, current);
}
inline bool read(const IniFile& f, const keys::BoolKey& k) {
    return f.readBool(k.section, k.name, k.def);
}
inline bool read(const IniFile& f, const keys::BoolKey& k, bool current) {
    return f.readBool(k.section, k.name, current);
}
// A number key's stored text as it stands, for boxes that show and store what was typed.
inline std::string readAsText(const IniFile& f, const keys::IntKey& k, std::string_view current) {
    return f.readString(k.section, k.name, current);
}
inline bool exists(const IniFile& f, const auto& k) {
    return f.valueExists(k.section, k.name);
}

inline void write(IniFile& f, const keys::StringKey& k, std::string_view v) {
    f.writeString(k.section, k.name, v);
}
inline void write(IniFile& f, const keys::IntKey& k, std::int32_t v) {
    f.writeInteger(k.section, k.name, v);
}
inline void write(IniFile& f, const keys::BoolKey& k, bool v) {
    f.writeBool(k.section, k.name, v);
}
inline void writeAsText(IniFile& f, const keys::IntKey& k, std::string_view text) {
    f.writeString(k.section, k.name, text);
}

}  // namespace pelko
