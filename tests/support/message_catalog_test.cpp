#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/cv_messages.h"

using Corvane::getMessageText;
using Corvane::messageCode;

namespace {

std::string text(std::int32_t code) {
    const char* t = getMessageText(code);
    return t ? t : "<null>";
}

TEST(MessageCatalog, LooksUpTextsByFamilyAndIndex) {
    const struct {
        std::int32_t code;
        const char* expected;
    } cases[] = {
        {0x100016f, "[4][2368]Cannot open file."},
        {messageCode(4, 3), "[4][4003]Cannot open file."},
        {messageCode(1, 0), "[4][2001]Success"},
        {messageCode(1, 0x18), "[4][2026]Error: invalid image support specified."},
        {messageCode(1, 0x2c),
         "[4][2028]Error: Incompatible scale parameter input for image synthesis.\n Scale is "
         "less than 0 or greater than the number of zoom levels in the image.\n"},
        {messageCode(1, 0x1a6), "[4][2423]Error reading Classical Metdata Packet."},
        {messageCode(1, 0xe1),
         "[4][2227]Error creating file in temp directory %s.  Make sure write permissions are "
         "available and the temp directory is not full."},
        {messageCode(4, 0xd), "[4][4013]Unknown"},
        {messageCode(3, 0), "Folder Scanning Error: %hd"},
    };
    for (const auto& c : cases) EXPECT_EQ(text(c.code), c.expected) << std::hex << c.code;
}

TEST(MessageCatalog, NewerImageTextHasASecondSentence) {
    const std::string t = text(messageCode(1, 7));
    const std::string first =
        "[4][2008]Error: This is a newer Tovex image than this decompression SDK supports.";
    ASSERT_GT(t.size(), first.size() + 2);
    EXPECT_EQ(t.substr(0, first.size()), first);
}

TEST(MessageCatalog, IgnoresBitsOutsideFamilyAndIndex) {
    const char* base = getMessageText(0x100016f);
    ASSERT_NE(base, nullptr);
    for (std::uint32_t extra : {0x10000000u, 0xF0000000u, 0x00010000u, 0x00FF0000u, 0x70AB0000u})
        EXPECT_EQ(getMessageText(static_cast<std::int32_t>(0x100016fu | extra)), base) << extra;
}

TEST(MessageCatalog, EmptySlotsAndOutOfRangeCodesGiveNull) {
    for (std::int32_t code :
         {messageCode(1, 0xc7), messageCode(1, 0x19c), messageCode(5, 0), messageCode(9, 1),
          messageCode(15, 0x16f), messageCode(1, 452), messageCode(4, 35), messageCode(0, 14),
          messageCode(2, 13), messageCode(3, 1), messageCode(4, 0), messageCode(4, 10),
          messageCode(4, 14), messageCode(4, 15)})
        EXPECT_EQ(getMessageText(code), nullptr) << std::hex << code;
}

TEST(MessageCatalog, GlobalTextsAreSetAtLoad) {
    EXPECT_STREQ(Corvane::g_unexpectedMarkerText, getMessageText(messageCode(1, 0xa)));
    EXPECT_STREQ(Corvane::g_unexpectedEofText, getMessageText(messageCode(1, 0xb)));
    EXPECT_STREQ(Corvane::g_decompressErrorText, getMessageText(messageCode(1, 0xc)));
    EXPECT_STREQ(Corvane::g_decompressErrorText2, getMessageText(messageCode(1, 0xc)));
    EXPECT_STREQ(Corvane::g_badMetadataCastText, "[4][2408]Bad cast in metadata.");
}

}  // namespace
