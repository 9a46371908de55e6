#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>

// The fuzz targets: each takes one input and returns 0 when the code under test held its
// invariants. A broken invariant throws Finding: uncaught under libFuzzer (a crash it keeps), a
// failure in the replay test (fuzz_replay_test.cpp), which runs every stored input through the
// same functions.
namespace pelko::fuzz {

class Finding : public std::logic_error {
  public:
    using std::logic_error::logic_error;
};

inline void check(bool holds, const char* invariant) {
    if (!holds) {
        throw Finding(invariant);
    }
}

using Entry = int (*)(const std::uint8_t* data, std::size_t size);

// The picture decoders (fuzz_decoders.cpp).
int fuzzBmp(const std::uint8_t* data, std::size_t size);
int fuzzPng(const std::uint8_t* data, std::size_t size);
int fuzzJpeg(const std::uint8_t* data, std::size_t size);
int fuzzGif(const std::uint8_t* data, std::size_t size);
// The JSON reader of the compositors' IPC answers (fuzz_json.cpp).
int fuzzJson(const std::uint8_t* data, std::size_t size);
// The lines and messages of the tray socket (fuzz_tray_message.cpp).
int fuzzTrayMessage(const std::uint8_t* data, std::size_t size);
// The settings file reader and writer (fuzz_ini_file.cpp).
int fuzzIniFile(const std::uint8_t* data, std::size_t size);
// Hotkey values as settings.ini stores them (fuzz_hotkey_value.cpp).
int fuzzHotkeyValue(const std::uint8_t* data, std::size_t size);

}  // namespace pelko::fuzz
