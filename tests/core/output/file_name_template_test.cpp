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

TEST(ExpandFileNameTemplate, LateHoursAndTwoClockReadingsDateFirst) {
    EXPECT_EQ(ExpandFileNameTemplate("<%time>", 0, fixedClock({2024, 12, 31, 23, 59, 59})),
              "23-59-59");
    // The date is read first: at midnight the date may be the old day's and the time the new
    // day's, never the other way round.
    int calls = 0;
    Clock ticking = [&calls]() -> LocalTime {
        return calls++ == 0 ? LocalTime{2024, 12, 31, 23, 59, 59} : LocalTime{2025, 1, 1, 0, 0, 0};
    };
    EXPECT_EQ(ExpandFileNameTemplate("<%date> <%time>", 0, ticking), "2024-12-31 00-00-00");
}

}  // namespace
}  // namespace pelko
