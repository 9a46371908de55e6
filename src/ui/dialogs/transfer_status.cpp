#include "ui/dialogs/transfer_status.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace pelko {

std::string TransferStatus::update(std::int64_t sent, std::int64_t total, double seconds) {
    if (seconds > 0) {
        m_rate = static_cast<double>(sent) / 1024.0 / seconds;
    }
    char text[96];
    int n = std::snprintf(text, sizeof text, "%.2f KB/s; ", m_rate);
    std::string line(text, static_cast<std::size_t>(n));
    if (m_rate > 0) {
        double left = static_cast<double>(total - sent) / 1024.0 / m_rate;
        auto secondsLeft = static_cast<long long>(std::trunc(std::max(left, 0.0)));
        std::snprintf(text, sizeof text, "Time remaining %2lld:%2lld:%2lld", secondsLeft / 3600,
                      secondsLeft / 60 % 60, secondsLeft % 60);
        line += text;
    }
    return line;
}

}  // namespace pelko
