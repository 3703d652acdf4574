#include "support/cv_sync.h"

#include <chrono>
#include <new>
#include <system_error>

#include "support/cv_exception.h"

namespace Corvane {

CVMutex::CVMutex() {
    try {
        handle_ = std::make_unique<std::mutex>();
    } catch (const std::exception&) {
        throw Exception("Could not create mutex");
    }
}

CVMutex::~CVMutex() {
    handle_.reset();
}

void CVMutex::lock() {
    if (!handle_) throw Exception("Could not lock mutex");
    try {
        handle_->lock();
    } catch (const std::system_error&) {
        throw Exception("Could not lock mutex");
    }
    owner_.store(std::this_thread::get_id());
}

void CVMutex::unlock() {
    // Unlocking a mutex this thread does not hold is the failure the platform reports.
    if (!handle_ || owner_.load() != std::this_thread::get_id())
        throw Exception("Could not unlock mutex");
    owner_.store(std::thread::id{});
    handle_->unlock();
}

CVThread::~CVThread() {
    join();
}

void CVThread::start(std::uint32_t (*function)(void*), void* argument) {
    join();
    exitCode_.store(kStillActive);
    thread_ = std::thread([this, function, argument] { exitCode_.store(function(argument)); });
}

void CVThread::join() {
    if (thread_.joinable()) thread_.join();
}

void sleepMilliseconds(std::uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::int32_t atomicIncrement(std::atomic<std::int32_t>& counter) {
    return counter.fetch_add(1) + 1;
}

std::int32_t atomicDecrement(std::atomic<std::int32_t>& counter) {
    return counter.fetch_sub(1) - 1;
}

}  // namespace Corvane
