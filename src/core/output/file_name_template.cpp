#include "core/output/file_name_template.h"

#include <cctype>
#include <cstdio>
#include <ctime>

namespace pelko {

namespace {

std::string replaceAllNoCase(std::string_view text, std::string_view token,
                             const std::string& with) {
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        bool match = i + token.size() <= text.size();
        for (std::size_t k = 0; match && k < token.size(); ++k) {
            match = std::tolower(static_cast<unsigned char>(text[i + k])) == token[k];
        }
        if (match) {
            out += with;
            i += token.size();
        } else {
            out += text[i++];
        }
    }
    return out;
}

std::string twoDigitTriple(int a, int b, int c, const char* format) {
    char buf[48];
    std::snprintf(buf, sizeof buf, format, a, b, c);
    return buf;
}

}  // namespace

LocalTime localNow() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

std::string ExpandFileNameTemplate(std::string_view templ, std::int32_t number,
                                   const Clock& clock) {
    // One reading: a name made at midnight never pairs one day's date with the next day's time.
    const LocalTime now = clock();
    std::string out = replaceAllNoCase(
        templ, "<%date>", twoDigitTriple(now.year, now.month, now.day, "%04d-%02d-%02d"));
    out = replaceAllNoCase(out, "<%time>",
                           twoDigitTriple(now.hour, now.minute, now.second, "%02d-%02d-%02d"));
    return replaceAllNoCase(out, "<%ssnum>", std::to_string(number));
}

}  // namespace pelko
