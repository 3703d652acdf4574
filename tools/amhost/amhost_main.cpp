// amhost: a reference host for the reader module. It loads the module as a library,
// calls its two exports, prints what the analyzer says about itself, and then reads
// one file as the host would: create a reader, select image 0, ask for a width (or
// the width of a level), read every tile (or a rectangle of them) in raster order and
// write what they cover as PNM.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include "amhost_hostFile.h"
#include "amhost_module.h"
#include "amhost_tileImage.h"
#include "host/am_host_interfaces.h"

#ifndef AMHOST_DEFAULT_MODULE
#ifdef _WIN32
#define AMHOST_DEFAULT_MODULE "tvx_reader.dll"
#else
#define AMHOST_DEFAULT_MODULE "tvx_reader.so"
#endif
#endif

namespace {

constexpr long kDeepestLevel = 31;

struct Options {
    std::string module = AMHOST_DEFAULT_MODULE;
    std::string input;
    std::string output;
    AmWord width = -1;  // -1 asks for full resolution
    long level = -1;    // when 0 or more, asks for that level's width instead
    bool describeOnly = false;
    amhost::TileRange tiles;  // every tile unless --tiles says otherwise
};

[[noreturn]] void usage(const char* message) {
    if (message) std::fprintf(stderr, "amhost: %s\n", message);
    std::fprintf(stderr,
                 "usage: amhost [--module MODULE.so] [--describe]\n"
                 "              FILE [--width W | --level L] [--tiles C,R,ACROSS,DOWN]\n"
                 "              [--output OUT.pnm]\n"
                 "Loads the module, reads FILE at the requested width (full resolution\n"
                 "by default) tile by tile in raster order, every tile of the level or the\n"
                 "rectangle of tiles from column C, row R, and writes them as P5 or P6.\n"
                 "Prints how many tiles were read and the time spent reading them.\n");
    std::exit(2);
}

long parseNumber(const char* text, const char* what) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (!*text || *end) usage((std::string("bad ") + what).c_str());
    return value;
}

amhost::TileRange parseTiles(const char* text) {
    unsigned long values[4];
    const char* at = text;
    for (int i = 0; i < 4; ++i) {
        char* end = nullptr;
        values[i] = std::strtoul(at, &end, 10);
        const char expected = i < 3 ? ',' : '\0';
        if (end == at || *end != expected || *at == '-' || values[i] > UINT32_MAX)
            usage("--tiles takes COLUMN,ROW,ACROSS,DOWN");
        at = end + 1;
    }
    if (values[2] == 0 || values[3] == 0) usage("--tiles needs at least one tile");
    return {static_cast<std::uint32_t>(values[0]), static_cast<std::uint32_t>(values[1]),
            static_cast<std::uint32_t>(values[2]), static_cast<std::uint32_t>(values[3])};
}

Options parseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--module" && hasValue) {
            options.module = argv[++i];
        } else if (arg == "--width" && hasValue) {
            options.width = parseNumber(argv[++i], "width");
        } else if (arg == "--level" && hasValue) {
            options.level = parseNumber(argv[++i], "level");
            // Host widths are 32-bit words: after 31 halvings every width is 1.
            if (options.level < 0 || options.level > kDeepestLevel)
                usage(("level must be 0 to " + std::to_string(kDeepestLevel)).c_str());
        } else if (arg == "--tiles" && hasValue) {
            options.tiles = parseTiles(argv[++i]);
        } else if (arg == "--output" && hasValue) {
            options.output = argv[++i];
        } else if (arg == "--describe") {
            options.describeOnly = true;
        } else if (!arg.empty() && arg[0] != '-' && options.input.empty()) {
            options.input = arg;
        } else {
            usage(("unexpected argument " + arg).c_str());
        }
    }
    if (options.input.empty() && !options.describeOnly) usage("no input file");
    return options;
}

const char* printable(const char* text) {
    return text ? text : "(null)";
}

// What the analyzer tells the host about the format.
void describe(AmModuleIdentifyFunction identify, AmFileAnalyzer& analyzer) {
    for (AmWord role : {0, 1, 2})
        std::printf("role %ld: %s\n", long(role), printable(identify(role)));
    std::printf("format: %s\n", printable(analyzer.formatName()));
    std::printf("name: %s\n", printable(analyzer.displayName()));
    std::printf("extensions:");
    for (const char* const* entry = analyzer.extensions(); entry && *entry; ++entry)
        std::printf(" %s", *entry);
    std::printf("\ncopyright: %s\n", printable(analyzer.copyright()));
    for (AmWord tag : {16893, 16903, 256})
        std::printf("supports tag %ld: %ld\n", long(tag), long(analyzer.supportsTag(tag, 0)));
}

// Asks the reader for the level's width, by an explicit width or by level number.
void chooseLevel(AmFileReader& reader, const Options& options) {
    AmWord request = options.width;
    if (options.level >= 0) {
        const AmWord full = -1;
        AmWord fullWidth = 0;
        if (reader.setTag(256, &full) != 1 || reader.getTag(256, &fullWidth) != 1)
            throw std::runtime_error("the reader refuses the full-resolution width");
        // A level's width is the full width halved, rounding up, once per level.
        request = fullWidth > 0 ? ((fullWidth - 1) >> options.level) + 1 : 0;
    }
    if (reader.setTag(256, &request) != 1)
        throw std::runtime_error("the reader refuses width " + std::to_string(request));
}

int readFile(AmFileAnalyzer& analyzer, const Options& options) {
    amhost::HostFile file(options.input);
    AmFileReader* reader = analyzer.createReader(&file);
    if (!reader) throw std::runtime_error("the module cannot open " + options.input);
    struct ReaderGuard {
        AmFileReader* reader;
        ~ReaderGuard() { reader->destroy(1); }
    } guard{reader};

    if (reader->selectImage(0) != 1) throw std::runtime_error("image 0 cannot be selected");
    chooseLevel(*reader, options);

    // The pass-through slots reach the host file's slots 7 and 11.
    const AmWord through7 = reader->passThrough3(3, 33);
    const AmWord through11 = reader->passThrough4(4, 44);
    std::printf(
        "pass-through: slot 3 -> %ld (file slot 7 called %d times), slot 4 -> %ld "
        "(file slot 11 called %d times)\n",
        long(through7), file.slot7Calls().count, long(through11), file.slot11Calls().count);

    const amhost::TileRead read = amhost::readTiles(*reader, options.tiles, options.output);
    std::printf("level: %u x %u, %d channel%s\n", read.levelWidth, read.levelHeight, read.channels,
                read.channels == 1 ? "" : "s");
    std::printf("tiles: %u read in %.3f ms (processor %.3f ms)\n", read.tiles, read.seconds * 1e3,
                read.cpuSeconds * 1e3);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = parseOptions(argc, argv);

    const amhost::LoadedModule module(options.module);
    if (!module.isLoaded()) {
        std::fprintf(stderr, "amhost: %s\n", module.error().c_str());
        return 1;
    }
    const auto identify =
        reinterpret_cast<AmModuleIdentifyFunction>(module.symbol("moduleIdentify"));
    const auto newAnalyzer =
        reinterpret_cast<AmNewFileAnalyzerFunction>(module.symbol("newAmFileAnalyzer"));
    if (!identify || !newAnalyzer) {
        std::fprintf(stderr, "amhost: %s lacks the module exports\n", options.module.c_str());
        return 1;
    }
    AmFileAnalyzer* analyzer = newAnalyzer();
    if (!analyzer) {
        std::fprintf(stderr, "amhost: the module made no analyzer\n");
        return 1;
    }

    int status = 0;
    try {
        describe(identify, *analyzer);
        if (!options.describeOnly) status = readFile(*analyzer, options);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "amhost: %s\n", error.what());
        status = 1;
    }
    analyzer->destroy(1);
    return status;
}
