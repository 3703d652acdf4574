#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "stream/cv_fileSpecification.h"
#include "support/cv_exception.h"
#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"

using namespace Corvane;

namespace {

std::string msg(const Exception& e) {
    return e.what() ? e.what() : "<null>";
}

TEST(Exception, ComposesEachConstructorsMessage) {
    const std::string big(2000, 'x');
    const struct {
        Exception e;
        std::string expected;
    } cases[] = {
        {NullPointerException(), "[4][2004]Null pointer exception"},
        {Interrupt(), "[4][2006]Program interrupt encountered"},
        {InvalidArgumentException(), "[4][2005]Invalid argument passed to function"},
        {InvalidArgumentException("width"), "[4][2334]Invalid argument passed to function: width."},
        {UnimplementedException(), "[4][2200]Unimplemented method."},
        {UnimplementedException("seek"), "[4][2201]Unimplemented method: seek."},
        {UnimplementedException("cv_stream", 168),
         "[4][2202]Unimplemented method - file:cv_stream line:168."},
        {UnsupportedFeatureException(), "[4][2203]Unsupported feature."},
        {UnsupportedFeatureException("mosaic"), "[4][2204]Unsupported feature: mosaic."},
        {IOException(), "[4][2210]An I/O problem has occurred."},
        {IOException(IoClose), "[4][2210]An I/O problem has occurred. [4][4005]Cannot close file."},
        {IOException(9), "[4][2210]An I/O problem has occurred. "},
        {IOException(IoPath{"/data/a.tvx"}, IoOpen),
         "[4][2210]An I/O problem has occurred. [4][4003]Cannot open file. /data/a.tvx"},
        {IOException("detail text", IoRead), "[4][4001]Cannot read file. detail text"},
        {IOException("detail text", 8), " detail text"},
        {DataFormatException(), "[4][2205]Invalid data format."},
        {DataFormatException("bad"), "[4][2205]Invalid data format. bad"},
        {UnsupportedVersionException(), "[4][2207]Unsupported version."},
        {UnsupportedVersionException(getMessageText(kNewerImage)),
         std::string("[4][2207]Unsupported version. ") + getMessageText(kNewerImage)},
        {UnsupportedImageFormatException("x"), "[4][2208]Unsupported image format. x"},
        {InvalidImageDataException(), "[4][2209]Invalid image data."},
        {InvalidImageDataException("y"), "[4][2209]Invalid image data. y"},
        {GeometryException("shape"), "shape"},
        {Exception(kCannotOpenFile), "[4][2368]Cannot open file."},
        {Exception(std::string("plain")), "plain"},
    };
    for (const auto& c : cases) EXPECT_EQ(msg(c.e), c.expected);

    // A formatted message longer than the buffer is cut to 999 characters.
    const UnimplementedException longName(big.c_str());
    EXPECT_EQ(std::string(longName.what()).size(), 999u);
}

TEST(Exception, NullTextsGiveNullMessages) {
    EXPECT_EQ(Exception().what(), nullptr);
    EXPECT_EQ(Exception(static_cast<const char*>(nullptr)).what(), nullptr);
    EXPECT_EQ(Exception(messageCode(1, 0xc7)).what(), nullptr);
    Exception e("text");
    e.setMessage(nullptr);
    EXPECT_EQ(e.what(), nullptr);
}

TEST(Exception, CopiesOwnTheirMessage) {
    auto* source = new IOException(IoRead);
    IOException copy(*source);
    const std::string expected = msg(*source);
    EXPECT_NE(copy.what(), source->what());
    delete source;
    EXPECT_EQ(msg(copy), expected);
    EXPECT_EQ(copy.operation(), IoRead);

    Exception a("first");
    Exception& alias = a;
    const char* before = a.what();
    a = alias;
    EXPECT_EQ(a.what(), before);
    EXPECT_EQ(msg(a), "first");
    Exception b("second");
    b = a;
    EXPECT_EQ(msg(b), "first");
    EXPECT_NE(b.what(), a.what());
}

TEST(Exception, OutOfMemoryPointsAtTheCatalog) {
    const char* text = getMessageText(kOutOfMemory);
    OutOfMemoryException e;
    EXPECT_EQ(e.what(), text);
    OutOfMemoryException copy(e);
    EXPECT_EQ(copy.what(), text);
    try {
        throw OutOfMemoryException();
    } catch (const Exception& caught) {
        EXPECT_EQ(caught.what(), text);
    }
    EXPECT_STREQ(getMessageText(kOutOfMemory), "[4][2003]Out of memory");
}

TEST(Exception, DerivedClassesAreCaughtByTheirBases) {
    EXPECT_THROW(throw UnsupportedVersionException(), DataFormatException);
    EXPECT_THROW(throw InvalidImageDataException(), DataFormatException);
    EXPECT_THROW(throw GeometryException("g"), Exception);
}

TEST(ThrowStatus, TurnsEveryStatusIntoItsException) {
    const struct {
        std::int32_t status;
        const char* expected;
    } cases[] = {
        {0, "[4][2002]Failure"},
        {1, "[4][2002]Failure"},
        {2001, "[4][4007]Cannot read stream."},
        {2002, "[4][4008]Cannot write stream."},
        {2003, "[4][4009]Cannot open stream."},
        {2004, "[4][2210]An I/O problem has occurred."},
        {2005, "[4][2415]Error parsing Tovex stream."},
        {2006, "[4][2415]Error parsing Tovex stream."},
        {2008, "[4][2347]An unknown exception has been thrown.%s"},
        {2009, "[4][2005]Invalid argument passed to function"},
        {2010, "[4][2005]Invalid argument passed to function"},
        {2011, "[4][2347]An unknown exception has been thrown.%s"},
        {2012, "[4][2095]Memory allocation error."},
        {2013, "[4][2347]An unknown exception has been thrown.%s"},
        {2014, "[4][2002]Failure"},
        {2015, "[4][2002]Failure"},
        {-7, "[4][2347]An unknown exception has been thrown.%s"},
    };
    for (const auto& c : cases) {
        try {
            throwStatus(c.status);
            ADD_FAILURE() << "status " << c.status << " did not throw";
        } catch (const Interrupt&) {
            ADD_FAILURE() << "status " << c.status << " threw Interrupt";
        } catch (const Exception& e) {
            EXPECT_EQ(msg(e), c.expected) << "status " << c.status;
        }
    }
    EXPECT_THROW(throwStatus(2007), Interrupt);
}

}  // namespace
