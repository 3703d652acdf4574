#pragma once
// GoogleTest's Notification, which it builds from std::mutex and
// std::condition_variable; the win32 thread model of MinGW-w64 has neither. GoogleTest
// takes a class of this name from its surroundings when GTEST_HAS_NOTIFICATION_ is
// set. Only GoogleTest's own thread tests wait on it; the suites run on one thread.
#include <atomic>

namespace testing::internal {

class Notification {
  public:
    Notification() = default;
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify() { notified_.store(true); }
    void WaitForNotification() {
        while (!notified_.load()) {
        }
    }

  private:
    std::atomic<bool> notified_{false};
};

}  // namespace testing::internal
