#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>

namespace pelko {

// The number of workers for data-parallel encoding: the requested count, or one per core
// when it is 0 or less.
int resolveThreadCount(int requested);

// Runs task(0) .. task(count - 1), each on its own thread (task 0 on the calling thread), and
// waits for all of them. The first exception a task throws is rethrown here after every task
// has finished.
void runParallel(int count, const std::function<void(int)>& task);

// Splits [0, total) into `parts` contiguous ranges of nearly equal size; returns the start of
// range `index` (index == parts gives total).
constexpr std::size_t splitPoint(std::size_t total, int parts, int index) {
    return total / std::size_t(parts) * std::size_t(index) +
           std::min<std::size_t>(total % std::size_t(parts), std::size_t(index));
}

}  // namespace pelko
