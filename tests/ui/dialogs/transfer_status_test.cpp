#include "ui/dialogs/transfer_status.h"

#include <gtest/gtest.h>

namespace pelko {
namespace {

TEST(TransferStatus, RateAndTimeRemaining) {
    struct Case {
        std::int64_t sent, total;
        double seconds;
        const char* line;
    } cases[] = {
        // No time has passed yet: no rate, no time remaining.
        {0, 1000000, 0.0, "0.00 KB/s; "},
        {102400, 1024000, 1.0, "100.00 KB/s; Time remaining  0: 0: 9"},
        // No time since the last report: the rate stays.
        {204800, 1024000, 0.0, "100.00 KB/s; Time remaining  0: 0: 8"},
        {1024, 1024 + 1024 * 4000, 1.0, "1.00 KB/s; Time remaining  1: 6:40"},
        {1024, 1024 + 1024LL * 409599, 1.0, "1.00 KB/s; Time remaining 113:46:39"},
        {1000, 1000, 0.5, "1.95 KB/s; Time remaining  0: 0: 0"},
    };
    TransferStatus status;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(status.update(c.sent, c.total, c.seconds), c.line);
    }
    status.reset();
    EXPECT_EQ(status.update(10, 100, 0.0), "0.00 KB/s; ");
}

}  // namespace
}  // namespace pelko
