// The `tvx` binary end to end, as one table of command lines run in order, each with
// its exit status, texts its output must hold and a check of what it wrote: round
// trips of real images, crops against the library's own decode, georeferencing,
// bad files refused with their reasons, and usage errors. A failed command leaves
// no file behind and says why in one line, and so does one ended by a signal.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "cli_runner.h"
#include "common/temp_dir.h"
#include "common/test_images.h"
#include "tvx_inputImage.h"

extern char** environ;

namespace {

using Image = Corvane::RasterImage;
using Check = std::function<void()>;

const tovex_test::TempDir& work() {
    static const tovex_test::TempDir dir;
    return dir;
}

// "%name" names a file of the work folder, "@name" one of the data folder.
std::string path(const std::string& word) {
    if (word.starts_with('%')) return work().file(word.substr(1));
    if (word.starts_with('@')) return std::string(TOVEX_TEST_DATA_DIR) + "/" + word.substr(1);
    if (word == "tvx") return TVX_EXECUTABLE;
    if (word == "amhost") return AMHOST_PROGRAM;
    if (word == "module") return TVX_READER_MODULE;
    return word;
}

std::string bytesOf(const std::string& word) {
    std::ostringstream bytes;
    bytes << std::ifstream(path(word), std::ios::binary).rdbuf();
    return bytes.str();
}

// The written image against the expected one: no sample more than `largest` apart and
// at least `minPsnr` dB.
Check matches(const std::string& word, const Image& expected, int largest = 0, double minPsnr = 0) {
    return [=] {
        const auto d = tvx_test::compare(tvx::readImageFile(path(word)).raster, expected);
        EXPECT_LE(d.largest, largest);
        EXPECT_GE(d.psnr, minPsnr);
    };
}

// The written image is the box at (x, y) of size w x h of the image `from`.
Check cropOf(const std::string& word, const std::string& from, std::uint32_t x, std::uint32_t y,
             std::uint32_t w, std::uint32_t h) {
    return [=] { matches(word, cropImage(tvx::readImageFile(path(from)).raster, x, y, w, h))(); };
}

Check geoIs(const std::string& word, tvx::GeoReference geo) {
    return [=] { EXPECT_EQ(tvx::openTiff(path(word)).geo, geo); };
}

// Copies of the files made so far with a few bytes patched or cut away.
void makeDamagedCopies() {
    const std::string tg3 = bytesOf("%r.tvx"), tg2 = bytesOf("%t.tvx"), che = bytesOf("%che.tvx");
    // The header packet's payload of the 512 x 512 TG3 file: width, height, then levels
    // (8 bytes on), sub-block size (12 on); the packet ends 32 bytes after the width.
    const std::size_t sizes = tg3.find(std::string("\0\0\2\0\0\0\2\0", 8));
    ASSERT_NE(sizes, std::string::npos);
    const auto patch = [&](const char* name, std::size_t at, std::string bytes) {
        tovex_test::writeFile(path(name),
                              std::string(tg3).replace(sizes + at, bytes.size(), bytes));
    };
    patch("%w2.tvx", 0, std::string("\0\0\0\2", 4));
    patch("%h1.tvx", 4, std::string("\0\0\0\1", 4));
    patch("%l40.tvx", 8, "\x28");
    patch("%l5.tvx", 8, "\x05");
    patch("%s8.tvx", 12, std::string("\0\x08", 2));
    tovex_test::writeFile(path("%head.tvx"), tg3.substr(0, sizes + 32));
    // The TG2 metadata block (its offset follows the level table) cut short.
    const auto word32 = [&](std::size_t at) {
        return std::uint32_t(std::uint8_t(tg2[at])) << 24 | std::uint8_t(tg2[at + 1]) << 16 |
               std::uint8_t(tg2[at + 2]) << 8 | std::uint8_t(tg2[at + 3]);
    };
    tovex_test::writeFile(path("%m.tvx"), tg2.substr(0, word32(12 * word32(11) + 29) + 20));
    tovex_test::writeFile(path("%cut.tvx"), che.substr(0, che.size() / 2));
    ASSERT_EQ(mkfifo(path("%fifo").c_str(), 0600), 0);
}

struct Case {
    std::string command;  // words apart by single spaces; "!" first runs it in the shell
    int status;
    std::string texts;  // in standard output or errors, apart by "|"
    Check check = nullptr;
};

std::ptrdiff_t fileCount() {
    return std::distance(std::filesystem::directory_iterator(work().path()), {});
}

// Runs the case through the shell, each word that names a file quoted.
void run(const Case& c) {
    SCOPED_TRACE(c.command);
    std::istringstream split(c.command.starts_with('!') ? c.command.substr(1) : "tvx " + c.command);
    std::string line;
    for (std::string word; std::getline(split, word, ' ');)
        line += (word == path(word) ? word : "'" + path(word) + "'") + " ";
    const tovex_test::TempDir capture;
    const auto filesBefore = fileCount();
    const int status =
        std::system((line + ">" + capture.file("out") + " 2>" + capture.file("err")).c_str());
    const std::string out = bytesOf(capture.file("out")), err = bytesOf(capture.file("err"));
    ASSERT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, c.status) << err;
    std::istringstream texts(c.texts);
    for (std::string text; std::getline(texts, text, '|');)
        EXPECT_NE((out + err).find(text), std::string::npos) << text << "\n" << out << err;
    EXPECT_TRUE(c.status != 1 || (err.find('\n') + 1 == err.size() && err.starts_with("tvx: ")))
        << err;
    EXPECT_TRUE(c.status == 0 || fileCount() == filesBefore) << "a failed command left a file";
    if (c.check) c.check();
}

TEST(TvxCli, CommandLines) {
    const Image camera = loadPng("camera.png", false), chelsea = loadPng("chelsea.png", true);
    const Image flower = loadPnm("flower_rgb16_crop.ppm");
    // 2 m pixels, the centre of the upper-left one given.
    const tvx::GeoReference geo{2.0, 2.0, 0.0, 0.0, 500001.0, 4199999.0};
    tvx_test::writeImage(path("%geo.tif"), camera, geo);
    tvx_test::writeImage(path("%m0.png"), cropImage(chelsea, 0, 0, 200, 150));
    tvx_test::writeImage(path("%m1.png"), cropImage(chelsea, 150, 0, 180, 150));
    tvx::writeWorldFile(path("%m0.wld"), {1.0, 1.0, 0.0, 0.0, 100.0, 500.0});
    tvx::writeWorldFile(path("%m1.wld"), {1.0, 1.0, 0.0, 0.0, 250.0, 500.0});
    tovex_test::writeFile(path("%j.wld"), "1.5\n0\n0\n-1.5\n-20.25\n75.5\n");
    const std::string planesEnd =
        "[4][2209]Invalid image data. the plane records end before every sub-block has its planes";
    const std::string tooSmall =
        "[4][2208]Unsupported image format. an image narrower or lower than 3 pixels";
    const std::string opening = "([4][2368]Cannot open file.)";
    const Case cases[] = {
        {"encode --quiet @chelsea.png %che.tvx", 0, ""},
        {"decode --quiet %che.tvx %che.png", 0, "", matches("%che.png", chelsea)},
        {"encode --quiet @flower_rgb16_crop.ppm %f.tvx", 0, ""},
        {"decode --quiet --threads 3 %f.tvx %f.ppm", 0, "", matches("%f.ppm", flower)},
        // Two workers split camera at a sub-block edge of every level's bands.
        {"encode --quiet @camera.png %cam.tvx", 0, ""},
        {"decode --quiet --threads 2 %cam.tvx %cam.pgm", 0, "", matches("%cam.pgm", camera)},
        // Lossy targets: a quality in dB is met; 1 bit per pixel still gives 28 dB.
        {"encode --quiet --quality 38 @camera.png %q.tvx", 0, ""},
        {"decode --quiet %q.tvx %q.pgm", 0, "", matches("%q.pgm", camera, 255, 38)},
        {"encode --quiet --gen 2 --bpp 1 @camera.png %t.tvx", 0, ""},
        {"decode --quiet %t.tvx %t.pgm", 0, "", matches("%t.pgm", camera, 255, 28)},
        // TG2 stores RGB as YIQ unless told otherwise; tvx decode shows it as RGB, with
        // the host module's samples. (RGB at 1 bpp gives 31.3 dB.)
        {"encode --quiet --gen 2 --bpp 1 --keep-rgb @chelsea.png %yr.tvx", 0, ""},
        {"info %yr.tvx", 0, "Colour scheme: RGB\n"},
        {"encode --quiet --gen 2 --bpp 1 @chelsea.png %y.tvx", 0, ""},
        {"info %y.tvx", 0, "Colour scheme: YIQ, decoded as RGB\n"},
        {"decode --quiet %y.tvx %y.ppm", 0, "", matches("%y.ppm", chelsea, 255, 34.5)},
        {"!amhost --module module %y.tvx --output %ya.ppm", 0, "",
         cropOf("%ya.ppm", "%y.ppm", 0, 0, 451, 300)},
        // Levels and windows; --width takes the coarsest level at least that wide.
        {"decode --quiet --level 2 %che.tvx %l2.ppm", 0, ""},
        {"decode --quiet --level 2 --window 13,7,50,41 %che.tvx %2.ppm", 0, "",
         cropOf("%2.ppm", "%l2.ppm", 13, 7, 50, 41)},
        {"decode --quiet --threads 2 --window 300,250,151,50 %che.tvx %0.ppm", 0, "",
         cropOf("%0.ppm", "%che.png", 300, 250, 151, 50)},
        {"decode --quiet --width 100 %che.tvx %w.ppm", 0, "",
         cropOf("%w.ppm", "%l2.ppm", 0, 0, 113, 75)},
        // GeoTIFF in, GeoTIFF out, its tags as an independent reader lists them; at
        // level 1 the first pixel centre lies 1 m inside the image's corner, and the
        // window moves it 10 and 20 pixels of 4 m.
        {"encode --quiet %geo.tif %g.tvx", 0, ""},
        {"info %g.tvx", 0, "origin: 500001, 4199999"},
        {"decode --quiet %g.tvx %g.tif", 0, "", geoIs("%g.tif", geo)},
        {"!listgeo %g.tif", 0, "500001|4199999|ModelPixelScaleTag|RasterPixelIsPoint"},
        {"decode --quiet --level 1 --window 10,20,30,40 %g.tvx %gw.tif", 0, "",
         geoIs("%gw.tif", {4.0, 4.0, 0.0, 0.0, 500042.0, 4199918.0})},
        {"encode --quiet --world %j.wld --write-world @camera.png %w.tvx", 0, ""},
        {"!cat %w.TXW", 0, "1.5\n0\n0\n-1.5\n-20.25\n75.5\n"},
        // The JSON of `tvx info`, as Python's parser reads it.
        {"encode --quiet --levels 3 --world %j.wld @chelsea.png %j\"q.tvx", 0, ""},
        {"!tvx info --json %j\"q.tvx | python3 -m json.tool", 0,
         "\"generation\": 3,|j\\\"q.tvx\",|\"level_count\": 3,|\"height\": 38|-20.25,|1.5"},
        // Two overlapping crops side by side make a mosaic of the whole strip, TG3 or TG2.
        {"encode --quiet %m0.png %m1.png %mos.tvx", 0, ""},
        {"info %mos.tvx", 0,
         "Size: 330 x 150|Mosaic of 2 images|image 1 (TG3 Packets): 180 x 150 at 150, 0"},
        {"decode --quiet %mos.tvx %mos.ppm", 0, "",
         matches("%mos.ppm", cropImage(chelsea, 0, 0, 330, 150))},
        {"encode --quiet --embed-tg2 --step 0.5 %m0.png %m1.png %mt.tvx", 0, ""},
        {"!tvx info --json %mt.tvx | python3 -m json.tool", 0,
         "\"kind\": \"TG2 Image\",|\"x\": 150,"},
        {"decode --quiet %mt.tvx %mt.ppm", 0, "",
         matches("%mt.ppm", cropImage(chelsea, 0, 0, 330, 150), 1)},
        {"encode --quiet %m0.png @camera.png %x.tvx", 1, "camera.png has no georeferencing"},
        {"encode --embed-tg2 @camera.png %x.tvx", 2, "--embed-tg2 applies to mosaics only"},
        // Bad inputs, each refused with its own reason. A FIFO that no one writes to
        // would wait for a writer for ever.
        {"encode --quiet --levels 3 --subblock 16 @camera.png %r.tvx", 0, "", makeDamagedCopies},
        {"info %nope.tvx", 1, "No such file or directory " + opening},
        {"info %", 1, "Is a directory " + opening},
        {"info %fifo", 1, "not a regular file " + opening},
        {"decode %w2.tvx %x.pgm", 1, tooSmall},
        {"decode %h1.tvx %x.pgm", 1, tooSmall},
        {"decode %l40.tvx %x.pgm", 1, "[4][2204]Unsupported feature: 40 wavelet levels"},
        {"decode %l5.tvx %x.pgm", 1, planesEnd},
        {"decode %s8.tvx %x.pgm", 1, planesEnd},
        {"decode %head.tvx %x.pgm", 1, "[4][2209]Invalid image data. the file holds no coded"},
        // TG2 image data stand before the metadata block: a file cut inside it decodes.
        {"info %m.tvx", 0, "is cut short; its metadata were not read"},
        {"decode --quiet %cut.tvx %x.png", 1, ""},
        {"decode --quiet %cut.tvx %x.tif", 1, ""},
        {"decode --quiet %che.tvx %x.pgm", 1, ""},  // three bands
        {"info --help", 0, "usage: tvx info"},
    };
    for (const Case& c : cases) run(c);
    for (const char* usage :
         {"", "frobnicate", "info", "info --colour %che.tvx", "decode %che.tvx",
          "decode %che.tvx %x.jpg", "decode --window 1,2,3 %che.tvx %x.png",
          "decode --level 1 --width 9 %che.tvx %x.png", "decode --level x %che.tvx %x.png",
          "decode --threads 0 %che.tvx %x.png", "encode --gen 4 @camera.png %x.tvx",
          "encode --quality 30 --bpp 1 @camera.png %x.tvx",
          "encode --order sideways @camera.png %x.tvx", "encode --keep-rgb @camera.png %x.tvx"})
        run({usage, 2, "usage: tvx"});
}

// A decode ended by SIGTERM removes its temporary output and dies of the signal, so a
// shell sees the usual 128 + 15, whatever the output format.
TEST(TvxCli, TerminatedDecodeLeavesNoTemporaryFile) {
    const std::string image = path("%camera.tvx");
    run({"encode --quiet --gen 2 @camera.png %camera.tvx", 0, ""});
    for (const char* extension : {"png", "tif", "pgm"}) {
        SCOPED_TRACE(extension);
        const tovex_test::TempDir output;
        const auto isEmpty = [&] { return std::filesystem::is_empty(output.path()); };
        // Four times magnified on one thread: long enough to be interrupted mid-way.
        std::string words[] = {
            TVX_EXECUTABLE, "decode", "--quiet",
            "--threads",    "1",      "--width",
            "2048",         image,    output.file(std::string("out.") + extension)};
        std::vector<char*> argv{nullptr};
        for (std::string& word : words) argv.insert(argv.end() - 1, word.data());
        // The test runner may ignore or block signals; the child starts with the defaults.
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t none, all;
        sigemptyset(&none);
        sigfillset(&all);
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setsigdefault(&attributes, &all);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        pid_t pid = -1;
        ASSERT_EQ(posix_spawn(&pid, argv[0], nullptr, &attributes, argv.data(), environ), 0);
        posix_spawnattr_destroy(&attributes);
        int status = 0;
        while (isEmpty()) {
            ASSERT_NE(waitpid(pid, &status, WNOHANG), pid) << "ended before its output appeared";
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_EQ(kill(pid, SIGTERM), 0);
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the decode finished before the signal arrived";
        EXPECT_EQ(WTERMSIG(status), SIGTERM);
        EXPECT_TRUE(isEmpty());
    }
}

}  // namespace
