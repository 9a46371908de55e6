#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace pelko {

// A reading of the local clock.
struct LocalTime {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0;
};
using Clock = std::function<LocalTime()>;

// The system's local clock.
LocalTime localNow();

// Replaces every "<%date>" by yyyy-mm-dd, then every "<%time>" by hh-nn-ss (24-hour clock),
// then every "<%ssnum>" by the number in decimal, the tokens in any letter case. The date and
// the time come from one reading of the clock. Everything else is copied.
std::string ExpandFileNameTemplate(std::string_view templ, std::int32_t number, const Clock& clock);

}  // namespace pelko
