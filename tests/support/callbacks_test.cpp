#include <gtest/gtest.h>

#include <memory>

#include "support/cv_callbacks.h"
#include "support/cv_exception.h"

using namespace Corvane;

namespace {

float g_lastProgress = -1.0f;
int g_interruptCalls = 0;

std::int32_t stopWithTwo() {
    ++g_interruptCalls;
    return 2;
}
std::int32_t neverStop() {
    ++g_interruptCalls;
    return 0;
}
void recordProgress(float f) {
    g_lastProgress = f;
}

struct CountingCallbacks : CV_ProcessCallbacks {
    int asked = 0;
    void progress(float) override {}
    bool isInterrupted() override {
        ++asked;
        return false;
    }
};

TEST(Callbacks, DefaultsWithoutFunctionsNeverInterrupt) {
    CV_DefaultCallbacks callbacks;
    EXPECT_FALSE(callbacks.isInterrupted());
    g_lastProgress = -1.0f;
    callbacks.progress(0.5f);
    EXPECT_EQ(g_lastProgress, -1.0f);
}

TEST(Callbacks, ForwardToInstalledFunctions) {
    CV_DefaultCallbacks callbacks;
    callbacks.setInterruptFunction(stopWithTwo);
    callbacks.setProgressFunction(recordProgress);
    EXPECT_TRUE(callbacks.isInterrupted());
    callbacks.progress(0.25f);
    EXPECT_EQ(g_lastProgress, 0.25f);
    callbacks.setInterruptFunction(neverStop);
    EXPECT_FALSE(callbacks.isInterrupted());
    callbacks.setInterruptFunction(nullptr);
    EXPECT_FALSE(callbacks.isInterrupted());
}

TEST(Callbacks, SettingAFunctionMakesTheHoldersDefaultActiveAgain) {
    CallbackHolder holder;
    auto other = std::make_shared<CountingCallbacks>();
    holder.setCallbacks(other);
    holder.callbacks()->isInterrupted();
    EXPECT_EQ(other->asked, 1);

    g_interruptCalls = 0;
    holder.setInterruptFunction(stopWithTwo);
    EXPECT_TRUE(holder.callbacks()->isInterrupted());
    EXPECT_EQ(other->asked, 1);
    EXPECT_EQ(g_interruptCalls, 1);
}

}  // namespace
