#include "core/codec/worker_threads.h"

#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace pelko {

int resolveThreadCount(int requested) {
    if (requested > 0) {
        return requested;
    }
    unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : int(cores);
}

void runParallel(int count, const std::function<void(int)>& task) {
    if (count <= 1) {
        if (count == 1) {
            task(0);
        }
        return;
    }
    std::exception_ptr firstError;
    std::mutex errorMutex;
    auto guarded = [&](int index) {
        try {
            task(index);
        } catch (...) {
            std::lock_guard lock(errorMutex);
            if (!firstError) {
                firstError = std::current_exception();
            }
        }
    };
    {
        std::vector<std::jthread> workers;
        workers.reserve(std::size_t(count - 1));
        try {
            for (int i = 1; i < count; ++i) {
                workers.emplace_back(guarded, i);
            }
        } catch (...) {
            // Could not start a thread: the tasks that have no thread run here instead.
            for (int i = int(workers.size()) + 1; i < count; ++i) {
                guarded(i);
            }
        }
        guarded(0);
    }  // joins every worker
    if (firstError) {
        std::rethrow_exception(firstError);
    }
}

}  // namespace pelko
