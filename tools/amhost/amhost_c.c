/* amhost_c: the reference host again, in C, for 32-bit Windows. A host built by the
 * platform's usual compiler knows the module's objects only as a table pointer in
 * the object's first word and calls each operation by its position in that table,
 * with the __thiscall convention: the object in ECX, the arguments on the stack,
 * removed by the callee. This host does exactly that, through explicit
 * function-pointer types, so it checks the module's slot order and calling
 * convention independently of the C++ compiler that built the module. It offers the
 * module its own file object, built the same way: a struct whose first word points
 * to a table of __thiscall functions.
 *
 * It reads one file as amhost does (image 0, the width of the requested level, every
 * tile) and writes the same PNM. */
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#if !defined(_WIN32) || INTPTR_MAX != INT32_MAX
#error "amhost_c is a 32-bit Windows host"
#endif

/* GCC honours __thiscall on the plain functions and function-pointer types of C, but
 * under -Wpedantic it notes every such use, since C has no member functions. */
#pragma GCC diagnostic ignored "-Wattributes"

typedef intptr_t AmWord; /* every slot argument and result is one 32-bit word */
typedef void (*AmSlot)(void);

/* Every host object starts with the address of its slot table. */
typedef struct AmObject {
    const AmSlot* slots;
} AmObject;

typedef struct AmWordPair {
    int32_t first;
    int32_t second;
} AmWordPair;

/* The exports: plain functions. */
typedef const char* (*ModuleIdentify)(AmWord role);
typedef AmObject* (*NewFileAnalyzer)(void);

/* Slot signatures, the object always first. */
typedef void*(__thiscall* DestroySlot)(AmObject* self, unsigned flags);
typedef AmWord(__thiscall* NoArgumentSlot)(AmObject* self);
typedef void(__thiscall* NoResultSlot)(AmObject* self);
typedef AmWord(__thiscall* OneArgumentSlot)(AmObject* self, AmWord first);
typedef AmWord(__thiscall* TwoArgumentSlot)(AmObject* self, AmWord first, AmWord second);
typedef AmWord(__thiscall* ThreeArgumentSlot)(AmObject* self, AmWord first, AmWord second,
                                              AmWord third);
typedef const char*(__thiscall* TextSlot)(AmObject* self);
typedef const char* const*(__thiscall* TextListSlot)(AmObject* self);
typedef AmWord(__thiscall* FileSlot)(AmObject* self, AmObject* file, AmWord ignored);
typedef AmObject*(__thiscall* CreateReaderSlot)(AmObject* self, AmObject* file);
typedef AmWord(__thiscall* ReadTileSlot)(AmObject* self, AmWord tile, uint8_t* buffer);
typedef AmWord(__thiscall* GetTagSlot)(AmObject* self, AmWord tag, AmWord* value);
typedef AmWord(__thiscall* SetTagSlot)(AmObject* self, AmWord tag, const AmWord* value);
typedef AmWordPair*(__thiscall* RecordSlot)(AmObject* self, AmWordPair* result);

#define SLOT(object, index, type) ((type)(object)->slots[index])

/* Analyzer slots. */
enum {
    kAnalyzerDestroy = 0,
    kCheckFile = 1,
    kCreateReader = 2,
    kFormatName = 4,
    kDisplayName = 6,
    kExtensions = 7,
    kCopyright = 8,
    kSupportsTag = 9
};
/* Reader slots. */
enum {
    kReaderDestroy = 0,
    kSelectImage = 1,
    kPassThrough3 = 3,
    kPassThrough4 = 4,
    kReadTile = 9,
    kGetTag = 10,
    kSetTag = 13,
    kRecordSlot = 15
};

enum { kTileSize = 128, kDeepestLevel = 31 };

static void fail(const char* format, ...) __attribute__((noreturn, format(printf, 1, 2)));

static void fail(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    fputs("amhost_c: ", stderr);
    vfprintf(stderr, format, arguments);
    fputc('\n', stderr);
    va_end(arguments);
    exit(1);
}

/* ---- The host's file object ---------------------------------------------------- */

typedef struct HostFile {
    const AmSlot* slots;
    const char* path;
    int slot7Calls;
    int slot11Calls;
} HostFile;

static void* __thiscall hostFileDestroy(HostFile* self, unsigned flags) {
    (void)flags; /* the host owns its file object; nothing to free */
    return self;
}
static AmWord __thiscall hostFileInert(HostFile* self) {
    (void)self;
    return 0;
}
static AmWord __thiscall hostFileSlot7(HostFile* self, AmWord first, AmWord second) {
    (void)second;
    ++self->slot7Calls;
    return 7000 + first;
}
static AmWord __thiscall hostFileSlot11(HostFile* self, AmWord first, AmWord second) {
    (void)second;
    ++self->slot11Calls;
    return 11000 + first;
}
static const char* __thiscall hostFilePath(HostFile* self) {
    return self->path;
}

#define HOST_SLOT(function) ((AmSlot)(function))
static const AmSlot kHostFileSlots[17] = {
    HOST_SLOT(hostFileDestroy), HOST_SLOT(hostFileInert), HOST_SLOT(hostFileInert),
    HOST_SLOT(hostFileInert),   HOST_SLOT(hostFileInert), HOST_SLOT(hostFileInert),
    HOST_SLOT(hostFileInert),   HOST_SLOT(hostFileSlot7), HOST_SLOT(hostFileInert),
    HOST_SLOT(hostFileInert),   HOST_SLOT(hostFileInert), HOST_SLOT(hostFileSlot11),
    HOST_SLOT(hostFileInert),   HOST_SLOT(hostFileInert), HOST_SLOT(hostFileInert),
    HOST_SLOT(hostFileInert),   HOST_SLOT(hostFilePath)};

/* ---- The analyzer -------------------------------------------------------------- */

static const char* printable(const char* text) {
    return text ? text : "(null)";
}

/* What the analyzer says about the format, and its inert slots, each called with the
 * arguments it takes: a slot that removed a different number of arguments from the
 * stack than the host pushed would leave this host's stack off. */
static void describe(ModuleIdentify identify, AmObject* analyzer) {
    static const int kInert[][2] = {{3, 1}, {5, 0}, {10, 2}, {11, 2}, {12, 1}, {13, 1}};
    static const AmWord kTags[] = {16893, 16903, 256};
    AmWord role;
    size_t i;
    const char* const* entry;

    for (role = 0; role <= 2; ++role)
        printf("role %ld: %s\n", (long)role, printable(identify(role)));
    printf("format: %s\n", printable(SLOT(analyzer, kFormatName, TextSlot)(analyzer)));
    printf("name: %s\n", printable(SLOT(analyzer, kDisplayName, TextSlot)(analyzer)));
    printf("extensions:");
    for (entry = SLOT(analyzer, kExtensions, TextListSlot)(analyzer); entry && *entry; ++entry)
        printf(" %s", *entry);
    printf("\ncopyright: %s\n", printable(SLOT(analyzer, kCopyright, TextSlot)(analyzer)));
    for (i = 0; i < sizeof kTags / sizeof kTags[0]; ++i)
        printf("supports tag %ld: %ld\n", (long)kTags[i],
               (long)SLOT(analyzer, kSupportsTag, TwoArgumentSlot)(analyzer, kTags[i], 0));

    for (i = 0; i < sizeof kInert / sizeof kInert[0]; ++i) {
        const int slot = kInert[i][0];
        AmWord answer = 0;
        switch (kInert[i][1]) {
            case 0:
                answer = SLOT(analyzer, slot, NoArgumentSlot)(analyzer);
                break;
            case 1:
                answer = SLOT(analyzer, slot, OneArgumentSlot)(analyzer, 1);
                break;
            default:
                answer = SLOT(analyzer, slot, TwoArgumentSlot)(analyzer, 1, 2);
                break;
        }
        if (answer != 0) fail("analyzer slot %d answers %ld, not 0", slot, (long)answer);
    }
}

/* ---- The reader ---------------------------------------------------------------- */

static AmWord requireTag(AmObject* reader, AmWord tag) {
    AmWord value = 0;
    if (SLOT(reader, kGetTag, GetTagSlot)(reader, tag, &value) != 1)
        fail("the reader does not answer tag %ld", (long)tag);
    return value;
}

static void setWidth(AmObject* reader, AmWord width) {
    if (SLOT(reader, kSetTag, SetTagSlot)(reader, 256, &width) != 1)
        fail("the reader refuses width %ld", (long)width);
}

/* The width of a level: the full width halved, rounding up, once per level. */
static void chooseLevel(AmObject* reader, long level) {
    AmWord full;
    setWidth(reader, -1);
    full = requireTag(reader, 256);
    if (level >= 0) setWidth(reader, full > 0 ? ((full - 1) >> level) + 1 : 0);
}

/* The reader's inert slots and its record slot, with the arguments each takes. */
static void checkInertReaderSlots(AmObject* reader) {
    static const int kInert[][2] = {{5, 0}, {6, 0}, {7, 1}, {8, 2}, {11, 2}, {12, 3}, {14, 1}};
    AmWordPair record = {-1, -1};
    size_t i;

    SLOT(reader, 2, NoResultSlot)(reader);
    for (i = 0; i < sizeof kInert / sizeof kInert[0]; ++i) {
        const int slot = kInert[i][0];
        AmWord answer = 0;
        switch (kInert[i][1]) {
            case 0:
                answer = SLOT(reader, slot, NoArgumentSlot)(reader);
                break;
            case 1:
                answer = SLOT(reader, slot, OneArgumentSlot)(reader, 1);
                break;
            case 2:
                answer = SLOT(reader, slot, TwoArgumentSlot)(reader, 1, 2);
                break;
            default:
                answer = SLOT(reader, slot, ThreeArgumentSlot)(reader, 1, 2, 3);
                break;
        }
        if (answer != 0) fail("reader slot %d answers %ld, not 0", slot, (long)answer);
    }
    if (SLOT(reader, kRecordSlot, RecordSlot)(reader, &record) != &record || record.first != 0 ||
        record.second != 0)
        fail("reader slot 15 does not fill and return the host's record");
}

typedef struct Image {
    uint32_t width;
    uint32_t height;
    int channels;
    uint8_t* samples;
} Image;

static Image readAllTiles(AmObject* reader) {
    const AmWord width = requireTag(reader, 256);
    const AmWord height = requireTag(reader, 257);
    const AmWord bits = requireTag(reader, 258);
    const AmWord samples = requireTag(reader, 277);
    const uint32_t* byteCounts;
    uint32_t across, down, n;
    size_t tileBytes;
    uint8_t* tile;
    Image image;

    if (requireTag(reader, 322) != kTileSize || requireTag(reader, 323) != kTileSize)
        fail("the reader's tiles are not 128 x 128");
    if (bits != 8) fail("the reader's samples are not 8-bit");
    if (samples != 1 && samples != 4) fail("unexpected samples per pixel %ld", (long)samples);
    if (width <= 0 || height <= 0 || (int64_t)width * height > ((int64_t)1 << 29))
        fail("the level is empty or too large to assemble");

    image.width = (uint32_t)width;
    image.height = (uint32_t)height;
    image.channels = samples == 4 ? 3 : 1;
    across = (image.width + kTileSize - 1) / kTileSize;
    down = (image.height + kTileSize - 1) / kTileSize;
    tileBytes = (size_t)samples * kTileSize * kTileSize;

    /* Every tile, edge tiles included, claims the full tile's bytes. */
    byteCounts = (const uint32_t*)requireTag(reader, 279);
    if (!byteCounts) fail("the reader has no tile byte counts");
    for (n = 0; n < across * down; ++n)
        if (byteCounts[n] != tileBytes)
            fail("tile %lu has byte count %lu", (unsigned long)n, (unsigned long)byteCounts[n]);

    image.samples = malloc((size_t)image.width * image.height * image.channels);
    tile = malloc(tileBytes);
    if (!image.samples || !tile) fail("out of memory");

    for (n = 0; n < across * down; ++n) {
        const uint32_t x0 = (n % across) * kTileSize;
        const uint32_t y0 = (n / across) * kTileSize;
        uint32_t x, y;
        size_t i;
        memset(tile, 0, tileBytes);
        if (SLOT(reader, kReadTile, ReadTileSlot)(reader, (AmWord)n, tile) != 1)
            fail("reading tile %lu failed", (unsigned long)n);
        if (samples == 4)
            for (i = 3; i < tileBytes; i += 4)
                if (tile[i] != 255)
                    fail("tile %lu has an extra sample other than 255", (unsigned long)n);
        for (y = 0; y < kTileSize && y0 + y < image.height; ++y)
            for (x = 0; x < kTileSize && x0 + x < image.width; ++x)
                memcpy(&image.samples[(((size_t)y0 + y) * image.width + x0 + x) * image.channels],
                       &tile[((size_t)y * kTileSize + x) * samples], (size_t)image.channels);
    }
    free(tile);
    return image;
}

static void writePnm(const Image* image, const char* path) {
    const size_t size = (size_t)image->width * image->height * image->channels;
    FILE* out = fopen(path, "wb");
    int ok;
    if (!out) fail("cannot write %s", path);
    fprintf(out, "%s\n%lu %lu\n255\n", image->channels == 1 ? "P5" : "P6",
            (unsigned long)image->width, (unsigned long)image->height);
    ok = fwrite(image->samples, 1, size, out) == size;
    if (fclose(out) != 0 || !ok) fail("cannot write %s", path);
}

/* ---- main ---------------------------------------------------------------------- */

static void usage(const char* message) {
    if (message) fprintf(stderr, "amhost_c: %s\n", message);
    fprintf(stderr,
            "usage: amhost_c [--module MODULE.dll] FILE [--level L] [--output OUT.pnm]\n"
            "Loads the module, reads FILE at level L (0 by default) tile by tile through\n"
            "the module's slots and writes the level as P5 or P6.\n");
    exit(2);
}

int main(int argc, char** argv) {
    const char* modulePath = "tvx_reader.dll";
    const char* input = NULL;
    const char* output = NULL;
    long level = 0;
    HostFile file;
    HMODULE module;
    ModuleIdentify identify;
    NewFileAnalyzer newAnalyzer;
    AmObject* analyzer;
    AmObject* reader;
    Image image;
    AmWord through7, through11;
    int i;

    for (i = 1; i < argc; ++i) {
        const int hasValue = i + 1 < argc;
        if (!strcmp(argv[i], "--module") && hasValue) {
            modulePath = argv[++i];
        } else if (!strcmp(argv[i], "--level") && hasValue) {
            char* end = NULL;
            level = strtol(argv[++i], &end, 10);
            if (!*argv[i] || *end || level < 0 || level > kDeepestLevel)
                usage("level must be 0 to 31");
        } else if (!strcmp(argv[i], "--output") && hasValue) {
            output = argv[++i];
        } else if (argv[i][0] != '-' && !input) {
            input = argv[i];
        } else {
            usage("unexpected argument");
        }
    }
    if (!input) usage("no input file");

    module = LoadLibraryA(modulePath);
    if (!module) fail("cannot load %s (error %lu)", modulePath, (unsigned long)GetLastError());
    /* GetProcAddress answers a generic function pointer; the casts name the real types. */
    identify = (ModuleIdentify)(void (*)(void))GetProcAddress(module, "moduleIdentify");
    newAnalyzer = (NewFileAnalyzer)(void (*)(void))GetProcAddress(module, "newAmFileAnalyzer");
    if (!identify || !newAnalyzer) fail("%s lacks the module exports", modulePath);
    analyzer = newAnalyzer();
    if (!analyzer) fail("the module made no analyzer");
    describe(identify, analyzer);

    file.slots = kHostFileSlots;
    file.path = input;
    file.slot7Calls = 0;
    file.slot11Calls = 0;
    if (SLOT(analyzer, kCheckFile, FileSlot)(analyzer, (AmObject*)&file, 0) != 0)
        fail("checkFile answers other than 0");
    reader = SLOT(analyzer, kCreateReader, CreateReaderSlot)(analyzer, (AmObject*)&file);
    if (!reader) fail("the module cannot open %s", input);

    if (SLOT(reader, kSelectImage, OneArgumentSlot)(reader, 1) != 0)
        fail("image 1 can be selected");
    if (SLOT(reader, kSelectImage, OneArgumentSlot)(reader, 0) != 1)
        fail("image 0 cannot be selected");
    chooseLevel(reader, level);
    checkInertReaderSlots(reader);

    /* The pass-through slots reach the host file's slots 7 and 11. */
    through7 = SLOT(reader, kPassThrough3, TwoArgumentSlot)(reader, 3, 33);
    through11 = SLOT(reader, kPassThrough4, TwoArgumentSlot)(reader, 4, 44);
    printf(
        "pass-through: slot 3 -> %ld (file slot 7 called %d times), slot 4 -> %ld "
        "(file slot 11 called %d times)\n",
        (long)through7, file.slot7Calls, (long)through11, file.slot11Calls);
    if (through7 != 7003 || through11 != 11004 || file.slot7Calls != 1 || file.slot11Calls != 1)
        fail("the pass-through slots do not reach the host file's slots 7 and 11");

    image = readAllTiles(reader);
    printf("level: %lu x %lu, %d channel%s\n", (unsigned long)image.width,
           (unsigned long)image.height, image.channels, image.channels == 1 ? "" : "s");
    if (output) writePnm(&image, output);
    free(image.samples);

    if (SLOT(reader, kReaderDestroy, DestroySlot)(reader, 1) != reader)
        fail("the reader's slot 0 does not answer the reader");
    if (SLOT(analyzer, kAnalyzerDestroy, DestroySlot)(analyzer, 1) != analyzer)
        fail("the analyzer's slot 0 does not answer the analyzer");
    FreeLibrary(module);
    return 0;
}
