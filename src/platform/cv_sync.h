#pragma once
// The library's synchronisation wrappers: a mutex, a recursive critical section with
// a scoped lock, a thread with a polled running state, a sleep and an interlocked
// counter. Each platform folder implements them with its own primitives; a platform
// failure is reported as a library exception with a fixed text.
#include <cstdint>
#include <memory>
#ifndef _WIN32
#include <atomic>
#endif

namespace Corvane {

class CVMutex {
  public:
    // Raises "Could not create mutex" when the platform refuses one.
    CVMutex();
    CVMutex(const CVMutex&) = delete;
    CVMutex& operator=(const CVMutex&) = delete;
    ~CVMutex();

    // Waits without a time limit; raises "Could not lock mutex" on failure.
    void lock();
    // Raises "Could not unlock mutex" when this thread does not hold the mutex.
    void unlock();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// A recursive lock: the thread inside may enter again.
class CVCriticalSection {
  public:
    CVCriticalSection();
    CVCriticalSection(const CVCriticalSection&) = delete;
    CVCriticalSection& operator=(const CVCriticalSection&) = delete;
    ~CVCriticalSection();

    void enter();
    void leave();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// Holds a critical section from its construction to the end of the scope, so that
// every way out, exceptions included, leaves it again.
class CVScopedLock {
  public:
    explicit CVScopedLock(CVCriticalSection& section) : section_(section) { section_.enter(); }
    CVScopedLock(const CVScopedLock&) = delete;
    CVScopedLock& operator=(const CVScopedLock&) = delete;
    ~CVScopedLock() { section_.leave(); }

  private:
    CVCriticalSection& section_;
};

class CVThread {
  public:
    // The exit code a running thread reports.
    static constexpr std::uint32_t kStillActive = 259;

    CVThread();
    CVThread(const CVThread&) = delete;
    CVThread& operator=(const CVThread&) = delete;
    ~CVThread();

    // Runs function(argument) on a new thread; its result becomes the exit code.
    void start(std::uint32_t (*function)(void*), void* argument);
    bool isRunning() const { return exitCode() == kStillActive; }
    std::uint32_t exitCode() const;
    void join();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

void sleepMilliseconds(std::uint32_t milliseconds);

// A 32-bit counter that threads may change at the same time.
class CVInterlockedCounter {
  public:
    // Both answer the counter's new value.
    std::int32_t increment();
    std::int32_t decrement();
    std::int32_t value() const;

  private:
#ifdef _WIN32
    volatile long value_ = 0;  // the word the interlocked functions take
#else
    std::atomic<std::int32_t> value_{0};
#endif
};

}  // namespace Corvane
