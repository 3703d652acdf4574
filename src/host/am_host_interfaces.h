#pragma once
// The imaging host's object interfaces as the host sees them: abstract classes whose
// virtual functions are declared in the host's slot order, so that the host can call
// by slot position. Slot 0 is always `destroy`, an ordinary virtual function rather
// than a virtual destructor, because a virtual destructor takes two slots on some
// ABIs and would shift every slot after it. Shared by the module and the reference
// host, which is why it depends on nothing but the standard library.
#include <cstdint>

// A host word: 32 bits on a 32-bit target, pointer-sized here, so that answers that
// are pointers (the compression name, the tile byte counts) fit in one.
using AmWord = std::intptr_t;

// The 8-byte record that reader slot 15 fills. The host hands its address to the
// slot and gets the same address back.
struct AmWordPair {
    std::int32_t first;
    std::int32_t second;
};

// The host's object for one file. The module reads the path (slot 16) and passes
// slots 7 and 11 through from its reader; the other slots belong to the host.
class AmHostFile {
  public:
    virtual void* destroy(unsigned flags) = 0;  // 0
    virtual AmWord hostSlot1() = 0;             // 1
    virtual AmWord hostSlot2() = 0;             // 2
    virtual AmWord hostSlot3() = 0;             // 3
    virtual AmWord hostSlot4() = 0;             // 4
    virtual AmWord hostSlot5() = 0;             // 5
    virtual AmWord hostSlot6() = 0;             // 6
    // Reached from reader slot 3 with the reader's arguments unchanged.
    virtual AmWord forwardedCall7(AmWord first, AmWord second) = 0;  // 7
    virtual AmWord hostSlot8() = 0;                                  // 8
    virtual AmWord hostSlot9() = 0;                                  // 9
    virtual AmWord hostSlot10() = 0;                                 // 10
    // Reached from reader slot 4 with the reader's arguments unchanged.
    virtual AmWord forwardedCall11(AmWord first, AmWord second) = 0;  // 11
    virtual AmWord hostSlot12() = 0;                                  // 12
    virtual AmWord hostSlot13() = 0;                                  // 13
    virtual AmWord hostSlot14() = 0;                                  // 14
    virtual AmWord hostSlot15() = 0;                                  // 15
    // The file's path as a NUL-terminated narrow string, owned by the host.
    virtual const char* path() = 0;  // 16

  protected:
    ~AmHostFile() = default;
};

// One open file as the host drives it: image selection, properties by tag number,
// the level chosen by width, and 128 x 128 tiles of 8-bit samples.
class AmFileReader {
  public:
    // Runs the destructor; bit 0 of flags also frees the memory. Returns this.
    virtual void* destroy(unsigned flags) = 0;                     // 0
    virtual AmWord selectImage(AmWord index) = 0;                  // 1
    virtual void inertSlot2() = 0;                                 // 2
    virtual AmWord passThrough3(AmWord first, AmWord second) = 0;  // 3
    virtual AmWord passThrough4(AmWord first, AmWord second) = 0;  // 4
    virtual AmWord inertSlot5() = 0;                               // 5
    virtual AmWord inertSlot6() = 0;                               // 6
    virtual AmWord inertSlot7(AmWord) = 0;                         // 7
    virtual AmWord inertSlot8(AmWord, AmWord) = 0;                 // 8
    // Fills the host's buffer with tile `tile` of the current level.
    virtual AmWord readTile(AmWord tile, std::uint8_t* buffer) = 0;  // 9
    virtual AmWord getTag(AmWord tag, AmWord* value) = 0;            // 10
    virtual AmWord inertSlot11(AmWord, AmWord) = 0;                  // 11
    virtual AmWord inertSlot12(AmWord, AmWord, AmWord) = 0;          // 12
    virtual AmWord setTag(AmWord tag, const AmWord* value) = 0;      // 13
    virtual AmWord inertSlot14(AmWord) = 0;                          // 14
    // A slot whose result is a record: the host passes the record's address (the
    // hidden result pointer of the host's calling convention, made explicit here).
    virtual AmWordPair* recordSlot15(AmWordPair* result) = 0;  // 15

  protected:
    ~AmFileReader() = default;
};

// The format's entry object: names, extensions, the tags it claims, and readers.
class AmFileAnalyzer {
  public:
    virtual void* destroy(unsigned flags) = 0;                 // 0
    virtual AmWord checkFile(AmHostFile* file, AmWord) = 0;    // 1
    virtual AmFileReader* createReader(AmHostFile* file) = 0;  // 2
    virtual AmWord inertSlot3(AmWord) = 0;                     // 3
    virtual const char* formatName() = 0;                      // 4
    virtual AmWord inertSlot5() = 0;                           // 5
    virtual const char* displayName() = 0;                     // 6
    // Null-terminated list of extensions, lower case, without the dot.
    virtual const char* const* extensions() = 0;         // 7
    virtual const char* copyright() = 0;                 // 8
    virtual AmWord supportsTag(AmWord tag, AmWord) = 0;  // 9
    virtual AmWord inertSlot10(AmWord, AmWord) = 0;      // 10
    virtual AmWord inertSlot11(AmWord, AmWord) = 0;      // 11
    virtual AmWord inertSlot12(AmWord) = 0;              // 12
    virtual AmWord inertSlot13(AmWord) = 0;              // 13

  protected:
    ~AmFileAnalyzer() = default;
};

// The two functions the host looks up by name in the module.
extern "C" {
using AmModuleIdentifyFunction = const char* (*)(AmWord role);
using AmNewFileAnalyzerFunction = AmFileAnalyzer* (*)();
}
