// Any settings file reads without harm, and a write changes the key written and nothing else:
// the file read again yields the value written and every other key as before. The file reader
// takes a path, so each input goes through a file in a folder of its own.
#include <stdlib.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings/ini_file.h"
#include "fuzz/fuzz_entries.h"

namespace pelko::fuzz {

namespace {

// The folder of the fuzzed file, removed when the process ends.
class ScratchFolder {
  public:
    ScratchFolder() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/pelko-fuzz-ini-XXXXXX";
        check(::mkdtemp(pattern.data()) != nullptr, "a scratch folder can be made");
        m_path = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    std::string file() const { return m_path + "/settings.ini"; }

  private:
    std::string m_path;
};

struct Probe {
    std::string_view section;
    std::string_view key;
};

// Names the seeds use; the fuzzer finds its way to them from there.
constexpr std::array<Probe, 6> kProbes{{{"main", "sshk"},
                                        {"main", "saveto"},
                                        {"hotkeys", "k1"},
                                        {"s", "k"},
                                        {"s", "other"},
                                        {"t", "k"}}};

struct Reading {
    bool exists;
    std::string string;
    std::int32_t integer;
    std::string text;
    bool operator==(const Reading&) const = default;
};

Reading readProbe(const IniFile& file, const Probe& p) {
    Reading r{file.valueExists(p.section, p.key), file.readString(p.section, p.key, "default  "),
              file.readInteger(p.section, p.key, -7), file.readText(p.section, p.key, "def")};
    check(r.string.size() <= IniFile::kMaxValueLength, "no value read is longer than the limit");
    check(r.exists || (r.string == "default" && r.integer == -7 && r.text == "def"),
          "an absent key reads as the default less its trailing spaces");
    return r;
}

std::vector<Reading> readAll(const std::string& path) {
    const IniFile file(path);
    std::vector<Reading> readings;
    for (const Probe& p : kProbes) {
        readings.push_back(readProbe(file, p));
    }
    return readings;
}

// Writes one key (kProbes[probe]) and checks the file read again: that key reads as expect()
// wants, the others as they were.
template <typename Write, typename Expect>
void checkWrite(const std::string& path, std::size_t probe, Write write, Expect expect) {
    const std::vector<Reading> before = readAll(path);
    {
        IniFile file(path);
        write(file, kProbes[probe]);
    }
    const std::vector<Reading> after = readAll(path);
    expect(after[probe]);
    for (std::size_t i = 0; i < kProbes.size(); ++i) {
        if (i != probe) {
            check(after[i] == before[i], "a write leaves the other keys as they were");
        }
    }
}

}  // namespace

int fuzzIniFile(const std::uint8_t* data, std::size_t size) {
    static const ScratchFolder folder;
    const std::string path = folder.file();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
        check(bool(out.flush()), "the input can be written to its file");
    }

    // The first byte picks the keys written, so that the fuzzer tries each.
    const std::size_t pick = size > 0 ? data[0] : 0;
    // A value with what a profile line could mistake: "=", ";", "[" and quotes inside.
    constexpr std::string_view kValue = "v=1 ;[x] \"q\"";
    checkWrite(
        path, pick % kProbes.size(),
        [&](IniFile& f, const Probe& p) { f.writeString(p.section, p.key, kValue); },
        [&](const Reading& r) {
            check(r.exists && r.string == kValue, "a written string reads back");
        });
    // Text that Windows-1252 holds (stored so in a file that Windows wrote in its ANSI code
    // page) or holds in part only (stored as UTF-8 everywhere), as the second byte picks.
    const std::string_view text =
        size > 1 && data[1] % 2 == 1 ? "caf\xC3\xA9" : "caf\xC3\xA9 \xE2\x98\x83";
    checkWrite(
        path, pick / kProbes.size() % kProbes.size(),
        [&](IniFile& f, const Probe& p) { f.writeText(p.section, p.key, text); },
        [&](const Reading& r) { check(r.exists && r.text == text, "a written text reads back"); });
    checkWrite(
        path, pick / 36 % kProbes.size(),
        [&](IniFile& f, const Probe& p) { f.deleteKey(p.section, p.key); }, [](const Reading&) {});
    return 0;
}

}  // namespace pelko::fuzz
