#include <gtest/gtest.h>

#include "common/temp_dir.h"
#include "image/cv_worldFile.h"

using namespace Corvane;
using tovex_test::TempDir;
using tovex_test::writeFile;

TEST(WorldFile, PathReplacesTheExtension) {
    EXPECT_EQ(worldFilePath(FileSpecification("/data/maps/sheet.tvx")).path(),
              "/data/maps/sheet.TXW");
}

TEST(WorldFile, SixLinesSetEveryPropertyAndGeo) {
    TempDir dir;
    writeFile(dir.file("sheet.TXW"), "2.5\n 0.125 trailing words\n-0.25\n-0.5\n100.75\n200.5\n");
    ImageProperties p;
    readWorldFile(p, FileSpecification(dir.file("sheet.tvx")));
    EXPECT_EQ(p.xResolution(), 2.5);
    EXPECT_EQ(p.xRotation(), 0.125);
    EXPECT_EQ(p.yRotation(), -0.25);
    EXPECT_EQ(p.yResolution(), 0.5);  // stored without its sign
    EXPECT_EQ(p.xUL(), 100.75);
    EXPECT_EQ(p.yUL(), 200.5);
    EXPECT_TRUE(p.hasGeoInformation());
}

TEST(WorldFile, FourLinesSetTheFirstPropertiesOnly) {
    TempDir dir;
    writeFile(dir.file("sheet.TXW"), "3\n0.5\n0.25\n-4\n");
    ImageProperties p;
    p.setXUL(11.0);
    p.setYUL(22.0);
    readWorldFile(p, FileSpecification(dir.file("sheet.tvx")));
    EXPECT_EQ(p.xResolution(), 3.0);
    EXPECT_EQ(p.xRotation(), 0.5);
    EXPECT_EQ(p.yRotation(), 0.25);
    EXPECT_EQ(p.yResolution(), 4.0);
    EXPECT_EQ(p.xUL(), 11.0);
    EXPECT_EQ(p.yUL(), 22.0);
    EXPECT_FALSE(p.hasGeoInformation());
}

TEST(WorldFile, MissingFileChangesNothing) {
    TempDir dir;
    // The extension's case matters: a lower-case world file is not the one looked for.
    writeFile(dir.file("sheet.txw"), "9\n9\n9\n9\n9\n9\n");
    ImageProperties p;
    readWorldFile(p, FileSpecification(dir.file("sheet.tvx")));
    EXPECT_EQ(p.xResolution(), 1.0);
    EXPECT_EQ(p.yResolution(), 1.0);
    EXPECT_FALSE(p.hasGeoInformation());
}

TEST(WorldFile, LongLinesAreReadInPieces) {
    // A line of more than 79 characters is read as two lines: its first 79
    // characters, then the rest (blanks and "8"). So this file of six physical lines
    // gives seven reads and its last number is never reached.
    TempDir dir;
    const std::string longLine = "7" + std::string(90, ' ') + "8\n";
    writeFile(dir.file("sheet.TXW"), longLine + "1\n2\n3\n4\n5\n");
    ImageProperties p;
    readWorldFile(p, FileSpecification(dir.file("sheet.tvx")));
    EXPECT_EQ(p.xResolution(), 7.0);
    EXPECT_EQ(p.xRotation(), 8.0);
    EXPECT_EQ(p.yRotation(), 1.0);
    EXPECT_EQ(p.yResolution(), 2.0);
    EXPECT_EQ(p.xUL(), 3.0);
    EXPECT_EQ(p.yUL(), 4.0);
    EXPECT_TRUE(p.hasGeoInformation());
}
