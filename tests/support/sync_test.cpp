#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "support/cv_exception.h"
#include "support/cv_sync.h"

using namespace Corvane;

namespace {

struct Shared {
    CVMutex mutex;
    int total = 0;
    std::atomic<bool> release{false};
};

std::uint32_t addUnderLock(void* argument) {
    auto* shared = static_cast<Shared*>(argument);
    for (int i = 0; i < 20000; ++i) {
        shared->mutex.lock();
        ++shared->total;
        shared->mutex.unlock();
    }
    return 7;
}

std::uint32_t waitForRelease(void* argument) {
    auto* shared = static_cast<Shared*>(argument);
    while (!shared->release.load()) sleepMilliseconds(1);
    return 3;
}

}  // namespace

TEST(Sync, MutexSerialisesTwoThreads) {
    Shared shared;
    CVThread first, second;
    first.start(addUnderLock, &shared);
    second.start(addUnderLock, &shared);
    first.join();
    second.join();
    EXPECT_EQ(shared.total, 40000);
    EXPECT_EQ(first.exitCode(), 7u);
    EXPECT_FALSE(first.isRunning());
}

TEST(Sync, UnlockingAMutexNotHeldIsRefused) {
    CVMutex mutex;
    try {
        mutex.unlock();
        ADD_FAILURE() << "nothing was locked";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Could not unlock mutex");
    }
    mutex.lock();
    EXPECT_NO_THROW(mutex.unlock());
}

TEST(Sync, ThreadReportsStillActiveUntilItEnds) {
    Shared shared;
    CVThread thread;
    thread.start(waitForRelease, &shared);
    EXPECT_TRUE(thread.isRunning());
    EXPECT_EQ(thread.exitCode(), CVThread::kStillActive);
    shared.release.store(true);
    thread.join();
    EXPECT_EQ(thread.exitCode(), 3u);
}

TEST(Sync, CriticalSectionReentersAndCountersStep) {
    CVCriticalSection section;
    section.enter();
    section.enter();
    section.leave();
    section.leave();
    std::atomic<std::int32_t> counter{0};
    EXPECT_EQ(atomicIncrement(counter), 1);
    EXPECT_EQ(atomicIncrement(counter), 2);
    EXPECT_EQ(atomicDecrement(counter), 1);
}
