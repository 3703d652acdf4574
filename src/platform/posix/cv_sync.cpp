#include "platform/cv_sync.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <system_error>
#include <thread>

#include "support/cv_exception.h"

namespace Corvane {

struct CVMutex::State {
    std::mutex mutex;
    std::atomic<std::thread::id> owner{};
};

CVMutex::CVMutex() {
    try {
        state_ = std::make_unique<State>();
    } catch (const std::exception&) {
        throw Exception("Could not create mutex");
    }
}

CVMutex::~CVMutex() = default;

void CVMutex::lock() {
    if (!state_) throw Exception("Could not lock mutex");
    try {
        state_->mutex.lock();
    } catch (const std::system_error&) {
        throw Exception("Could not lock mutex");
    }
    state_->owner.store(std::this_thread::get_id());
}

void CVMutex::unlock() {
    // Unlocking a mutex this thread does not hold is the failure the platform reports.
    if (!state_ || state_->owner.load() != std::this_thread::get_id())
        throw Exception("Could not unlock mutex");
    state_->owner.store(std::thread::id{});
    state_->mutex.unlock();
}

struct CVCriticalSection::State {
    std::recursive_mutex mutex;
};

CVCriticalSection::CVCriticalSection() : state_(std::make_unique<State>()) {}

CVCriticalSection::~CVCriticalSection() = default;

void CVCriticalSection::enter() {
    state_->mutex.lock();
}

void CVCriticalSection::leave() {
    state_->mutex.unlock();
}

struct CVThread::State {
    std::thread thread;
    std::atomic<std::uint32_t> exitCode{0};
};

CVThread::CVThread() : state_(std::make_unique<State>()) {}

CVThread::~CVThread() {
    join();
}

void CVThread::start(std::uint32_t (*function)(void*), void* argument) {
    join();
    state_->exitCode.store(kStillActive);
    State* state = state_.get();
    state->thread =
        std::thread([state, function, argument] { state->exitCode.store(function(argument)); });
}

std::uint32_t CVThread::exitCode() const {
    return state_->exitCode.load();
}

void CVThread::join() {
    if (state_->thread.joinable()) state_->thread.join();
}

void sleepMilliseconds(std::uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::int32_t CVInterlockedCounter::increment() {
    return value_.fetch_add(1) + 1;
}

std::int32_t CVInterlockedCounter::decrement() {
    return value_.fetch_sub(1) - 1;
}

std::int32_t CVInterlockedCounter::value() const {
    return value_.load();
}

}  // namespace Corvane
