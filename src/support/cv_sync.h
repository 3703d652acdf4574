#pragma once
// Small synchronisation wrappers over the standard library: a mutex, a critical
// section, a thread with a polled running state, a sleep and atomic counters. A
// platform failure is reported as a library exception with a fixed text.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

namespace Corvane {

class CVMutex {
  public:
    // Raises "Could not create mutex" when the platform refuses one.
    CVMutex();
    CVMutex(const CVMutex&) = delete;
    CVMutex& operator=(const CVMutex&) = delete;
    // Closing happens here; a held handle is cleared afterwards.
    ~CVMutex();

    // Waits without a time limit; raises "Could not lock mutex" on failure.
    void lock();
    // Raises "Could not unlock mutex" when this thread does not hold the mutex.
    void unlock();

  private:
    std::unique_ptr<std::mutex> handle_;
    std::atomic<std::thread::id> owner_{};
};

// A recursive lock: the thread inside may enter again.
class CVCriticalSection {
  public:
    void enter() { mutex_.lock(); }
    void leave() { mutex_.unlock(); }

  private:
    std::recursive_mutex mutex_;
};

class CVThread {
  public:
    // The exit code a running thread reports.
    static constexpr std::uint32_t kStillActive = 259;

    CVThread() = default;
    CVThread(const CVThread&) = delete;
    CVThread& operator=(const CVThread&) = delete;
    ~CVThread();

    // Runs function(argument) on a new thread; its result becomes the exit code.
    void start(std::uint32_t (*function)(void*), void* argument);
    bool isRunning() const { return exitCode_.load() == kStillActive; }
    std::uint32_t exitCode() const { return exitCode_.load(); }
    void join();

  private:
    std::thread thread_;
    std::atomic<std::uint32_t> exitCode_{0};
};

void sleepMilliseconds(std::uint32_t milliseconds);

// Both answer the counter's new value.
std::int32_t atomicIncrement(std::atomic<std::int32_t>& counter);
std::int32_t atomicDecrement(std::atomic<std::int32_t>& counter);

}  // namespace Corvane
