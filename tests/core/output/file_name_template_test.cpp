#include "core/output/file_name_template.h"

#include <gtest/gtest.h>

namespace pelko {
namespace {

Clock fixedClock(LocalTime t) {
    return [t] { return t; };
}

TEST(ExpandFileNameTemplate, Tokens) {
    const LocalTime at{2024, 3, 5, 9, 7, 2};
    struct Case {
        const char* templ;
        std::int32_t number;
        const char* expected;
    };
    const Case cases[] = {
        {"<%DATE> at <%TIME>", 1, "2024-03-05 at 09-07-02"},
        {"<%date>_<%Date>_<%dAtE>", 1, "2024-03-05_2024-03-05_2024-03-05"},
        {"<% date> <%time", 1, "<% date> <%time"},
        {"shot-<%ssnum>", 10, "shot-10"},
        {"<%SSNUM><%ssnum>", -42, "-42-42"},
        {"sub/<%SsNum>", 7, "sub/7"},
        {"", 3, ""},
        {"no tokens %here%", 3, "no tokens %here%"},
        {"<%<%date>>", 1, "<%2024-03-05>"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExpandFileNameTemplate(c.templ, c.number, fixedClock(at)), c.expected) << c.templ;
    }
}

TEST(ExpandFileNameTemplate, LateHoursAndOneClockReadingAcrossMidnight) {
    EXPECT_EQ(ExpandFileNameTemplate("<%time>", 0, fixedClock({2024, 12, 31, 23, 59, 59})),
              "23-59-59");
    // A clock that moves to the next day after its first reading: date and time stay one
    // moment, never the old day's date with the new day's time.
    int calls = 0;
    Clock ticking = [&calls]() -> LocalTime {
        return calls++ == 0 ? LocalTime{2024, 12, 31, 23, 59, 59} : LocalTime{2025, 1, 1, 0, 0, 0};
    };
    EXPECT_EQ(ExpandFileNameTemplate("<%date> <%time> <%date>", 0, ticking),
              "2024-12-31 23-59-59 2024-12-31");
    EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace pelko
