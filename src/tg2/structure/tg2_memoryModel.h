#pragma once
// The memory model number that a TG2 image stage is opened with, turned into the
// three choices the stream structure makes: how it finds blocks, whether it keeps its
// stream open, and whether it keeps the blocks it has loaded.

namespace Corvane {

// How a TG2 image keeps its stream structure: the image stage is created with a
// model number 0 to 7 and hands the derived flags to the structure reader.
struct TG2MemoryModel {
    bool blockGrid = true;     // locate blocks through the block grid
    bool keepOpen = false;     // keep the structure's stream open after opening
    bool cacheBlocks = false;  // keep every loaded block
};

// The flags of a model number; any number outside 0..7 raises Exception 1:1a5.
TG2MemoryModel memoryModelFor(int number);

}  // namespace Corvane
