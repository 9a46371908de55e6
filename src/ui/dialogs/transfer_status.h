#pragma once

#include <cstdint>
#include <string>

namespace pelko {

// The status line of a running upload: the rate as "12.34 KB/s", then "; ", then, once the
// rate is known, "Time remaining " with the hours, minutes and seconds left, each padded with
// blanks to two characters (" 0: 1:05" is written " 0: 1: 5").
class TransferStatus {
  public:
    // A new transfer: no rate yet.
    void reset() { m_rate = 0; }

    // The line after sent of total bytes went in the seconds given; while no time has passed
    // the rate of the previous report stays.
    std::string update(std::int64_t sent, std::int64_t total, double seconds);

    double rate() const { return m_rate; }  // KB/s

  private:
    double m_rate = 0;
};

}  // namespace pelko
