#include <gtest/gtest.h>

#include <string>

#include "common/temp_dir.h"
#include "stream/cv_SubStream.h"
#include "stream/cv_fileStream.h"
#include "stream/cv_largeFileStream.h"
#include "support/cv_exception.h"

using namespace Corvane;

namespace {

// A parent of 300 bytes whose byte i is i mod 256, and a window over 100..200.
class SubStreamWindow : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override {
        std::string bytes;
        for (int i = 0; i < 300; ++i) bytes += static_cast<char>(i);
        tovex_test::writeFile(dir.file("p.bin"), bytes);
        if (GetParam())
            parent = std::make_unique<CVLargeFileStream>(dir.file("p.bin"), "rb");
        else
            parent = std::make_unique<CVFileStream>(dir.file("p.bin"), "rb");
        sub = std::make_unique<CVSubStream>(parent.get(), 100, 200);
    }
    std::int64_t subPos() {
        std::int64_t p = -1;
        EXPECT_TRUE(sub->tell64(&p));
        return p;
    }
    tovex_test::TempDir dir;
    std::unique_ptr<CVStream> parent;
    std::unique_ptr<CVSubStream> sub;
};

TEST_P(SubStreamWindow, SeeksStayInsideTheWindow) {
    EXPECT_EQ(parent->position(), 100);
    EXPECT_TRUE(sub->seekTo(0, SeekFromStart));
    EXPECT_EQ(parent->position(), 100);
    EXPECT_EQ(subPos(), 0);
    EXPECT_TRUE(sub->seekTo(100, SeekFromStart));
    EXPECT_EQ(subPos(), 100);
    EXPECT_FALSE(sub->seekTo(101, SeekFromStart));
    EXPECT_EQ(subPos(), 100);
    EXPECT_FALSE(sub->seekTo(-1, SeekFromStart));

    EXPECT_TRUE(sub->seekTo(0, SeekFromEnd));
    EXPECT_EQ(parent->position(), 200);
    EXPECT_TRUE(sub->seekTo(-1, SeekFromEnd));
    EXPECT_EQ(parent->position(), 199);

    EXPECT_TRUE(sub->seekTo(50, SeekFromStart));
    EXPECT_TRUE(sub->seekTo(20, SeekFromCurrent));
    EXPECT_EQ(subPos(), 70);
    EXPECT_FALSE(sub->seekTo(60, SeekFromCurrent));
    EXPECT_EQ(subPos(), 70);
    EXPECT_FALSE(sub->seekTo(0, 0));
    EXPECT_FALSE(sub->seekTo(0, 4));

    std::uint32_t small = 0;
    EXPECT_TRUE(sub->seek(-5, SeekFromCurrent));
    EXPECT_TRUE(sub->tell(&small));
    EXPECT_EQ(small, 65u);
}

TEST_P(SubStreamWindow, ReadsNeverCrossTheEnd) {
    unsigned char buf[11] = {};
    ASSERT_TRUE(sub->seekTo(90, SeekFromStart));
    EXPECT_FALSE(sub->read(buf, 11));
    EXPECT_EQ(subPos(), 90);
    EXPECT_TRUE(sub->read(buf, 10));
    EXPECT_EQ(buf[0], 190);
    EXPECT_EQ(buf[9], 199);
    EXPECT_FALSE(sub->read(buf, 1));
}

TEST_P(SubStreamWindow, AnswersLikeAFileOfItsOwn) {
    EXPECT_STREQ(sub->scheme(), "file");
    EXPECT_STREQ(sub->name(), "[4][4013]Unknown");
    EXPECT_STREQ(sub->modeText(), "[4][4013]Unknown");
    EXPECT_THROW(sub->write("x", 1), UnimplementedException);
    try {
        sub->write("", 0);
    } catch (const UnimplementedException& e) {
        EXPECT_STREQ(e.what(), "[4][2202]Unimplemented method - file:cv_SubStream line:233.");
    }
    EXPECT_TRUE(sub->close());
    EXPECT_TRUE(sub->isOpen());  // follows the parent
    unsigned char b = 0;
    EXPECT_TRUE(sub->read(&b, 1));

    sub->setByteSwap(true);
    ASSERT_TRUE(sub->seekTo(40, SeekFromStart));
    auto copy = sub->duplicate(nullptr, 0);
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(copy->byteSwap());
    std::int64_t p = -1;
    EXPECT_TRUE(copy->tell64(&p));
    EXPECT_EQ(p, 0);  // a new window starts at its beginning
    parent->close();
    EXPECT_FALSE(sub->isOpen());
}

INSTANTIATE_TEST_SUITE_P(Parents, SubStreamWindow, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Large" : "Buffered"; });

}  // namespace
