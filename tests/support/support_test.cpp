#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "common/thrown_text.h"
#include "platform/cv_sync.h"
#include "support/cv_callbacks.h"
#include "support/cv_exception.h"
#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"

using namespace Corvane;

namespace {

std::string text(const char* t) {
    return t ? t : "<null>";
}

TEST(MessageCatalog, LooksUpTextsByFamilyAndIndexOnly) {
    const std::pair<std::int32_t, const char*> cases[] = {
        {0x100016f, "[4][2368]Cannot open file."},
        {0x71AB016f, "[4][2368]Cannot open file."},  // bits outside family and index
        {messageCode(4, 3), "[4][4003]Cannot open file."},
        {messageCode(1, 0), "[4][2001]Success"},
        {messageCode(4, 0xd), "[4][4013]Unknown"},
        {messageCode(3, 0), "Folder Scanning Error: %hd"},
    };
    for (const auto& [code, expected] : cases)
        EXPECT_EQ(text(getMessageText(code)), expected) << std::hex << code;
    // Empty slots and codes past the end of a family give no text.
    for (std::int32_t code : {messageCode(1, 0xc7), messageCode(5, 0), messageCode(1, 452)})
        EXPECT_EQ(getMessageText(code), nullptr) << std::hex << code;
}

TEST(Exception, ComposesEachConstructorsMessageAndCopiesOwnIt) {
    const struct {
        Exception e;
        std::string expected;
    } cases[] = {
        {NullPointerException(), "[4][2004]Null pointer exception"},
        {Interrupt(), "[4][2006]Program interrupt encountered"},
        {InvalidArgumentException("width"), "[4][2334]Invalid argument passed to function: width."},
        {UnimplementedException("seek"), "[4][2201]Unimplemented method: seek."},
        {UnimplementedException("cv_stream", 168),
         "[4][2202]Unimplemented method - file:cv_stream line:168."},
        {UnsupportedFeatureException("mosaic"), "[4][2204]Unsupported feature: mosaic."},
        {IOException(IoClose), "[4][2210]An I/O problem has occurred. [4][4005]Cannot close file."},
        {IOException(9), "[4][2210]An I/O problem has occurred. "},
        {IOException(IoPath{"/data/a.tvx"}, IoOpen),
         "[4][2210]An I/O problem has occurred. [4][4003]Cannot open file. /data/a.tvx"},
        {IOException("detail text", IoRead), "[4][4001]Cannot read file. detail text"},
        {IOException("detail text", 8), " detail text"},
        {DataFormatException("bad"), "[4][2205]Invalid data format. bad"},
        {UnsupportedImageFormatException("x"), "[4][2208]Unsupported image format. x"},
        {InvalidImageDataException("y"), "[4][2209]Invalid image data. y"},
        {OutOfMemoryException(), "[4][2003]Out of memory"},
    };
    for (const auto& c : cases) EXPECT_EQ(text(c.e.what()), c.expected);
    // A formatted message longer than the buffer is cut to 999 characters; an empty
    // catalog slot gives no message.
    EXPECT_EQ(std::string(UnimplementedException(std::string(2000, 'x').c_str()).what()).size(),
              999u);
    EXPECT_EQ(Exception(messageCode(1, 0xc7)).what(), nullptr);
    EXPECT_THROW(throw InvalidImageDataException(), DataFormatException);
    auto* source = new IOException(IoRead);
    const IOException copy(*source);
    const std::string expected = source->what();
    delete source;
    EXPECT_EQ(copy.what(), expected);
    Exception a("first"), b("second");
    b = a;
    EXPECT_NE(b.what(), a.what());
    EXPECT_STREQ(b.what(), "first");
}

TEST(ThrowStatus, TurnsEveryStatusIntoItsException) {
    const std::pair<const char*, std::vector<std::int32_t>> cases[] = {
        {"[4][2002]Failure", {0, 1, 2014, 2015}},
        {"[4][4007]Cannot read stream.", {2001}},
        {"[4][4008]Cannot write stream.", {2002}},
        {"[4][4009]Cannot open stream.", {2003}},
        {"[4][2210]An I/O problem has occurred.", {2004}},
        {"[4][2415]Error parsing Tovex stream.", {2005, 2006}},
        {"[4][2347]An unknown exception has been thrown.%s", {2008, 2011, 2013, -7}},
        {"[4][2005]Invalid argument passed to function", {2009, 2010}},
        {"[4][2095]Memory allocation error.", {2012}},
    };
    for (const auto& [expected, statuses] : cases)
        for (const std::int32_t status : statuses)
            EXPECT_EQ(tovex_test::thrownText([&] { throwStatus(status); }), expected) << status;
    EXPECT_THROW(throwStatus(2007), Interrupt);
}

float g_lastProgress = -1.0f;

TEST(Callbacks, ForwardToInstalledFunctionsAndBackToTheDefault) {
    const auto stopWithTwo = []() -> std::int32_t { return 2; };
    CV_DefaultCallbacks callbacks;
    EXPECT_FALSE(callbacks.isInterrupted());
    callbacks.setInterruptFunction(stopWithTwo);
    callbacks.setProgressFunction([](float f) { g_lastProgress = f; });
    EXPECT_TRUE(callbacks.isInterrupted());
    callbacks.progress(0.25f);
    EXPECT_EQ(g_lastProgress, 0.25f);
    // Setting a function makes the holder's own default callbacks active again.
    CallbackHolder holder;
    const auto other = std::make_shared<CV_DefaultCallbacks>();
    holder.setCallbacks(other);
    holder.setInterruptFunction(stopWithTwo);
    EXPECT_NE(holder.callbacks(), other);
    EXPECT_TRUE(holder.callbacks()->isInterrupted());
    EXPECT_FALSE(other->isInterrupted());
}

struct Shared {
    CVMutex mutex;
    int total = 0;
    std::atomic<bool> release{false};
};

TEST(Sync, MutexSerialisesThreadsThatReportTheirEnd) {
    Shared shared;
    const auto addUnderLock = [](void* argument) -> std::uint32_t {
        auto* s = static_cast<Shared*>(argument);
        for (int i = 0; i < 20000; ++i) {
            s->mutex.lock();
            ++s->total;
            s->mutex.unlock();
        }
        while (!s->release.load()) sleepMilliseconds(1);
        return 7;
    };
    CVThread first, second;
    first.start(addUnderLock, &shared);
    second.start(addUnderLock, &shared);
    EXPECT_EQ(first.exitCode(), CVThread::kStillActive);
    shared.release.store(true);
    first.join();
    second.join();
    EXPECT_EQ(shared.total, 40000);
    EXPECT_EQ(first.exitCode(), 7u);
    EXPECT_EQ(tovex_test::thrownText([&] { shared.mutex.unlock(); }), "Could not unlock mutex");
}

}  // namespace
