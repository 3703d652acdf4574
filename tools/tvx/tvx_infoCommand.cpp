// `tvx info FILE`: what the image is, as text or as one JSON object.
#include <iostream>

#include "tvx_commands.h"
#include "tvx_imageSummary.h"
#include "tvx_openImage.h"

namespace tvx {

int runInfo(const ParsedArguments& arguments) {
    const std::string& path = arguments.positional[0];
    const OpenedImage image = openTovexImage(path);
    const ImageSummary summary = summarise(path, image);
    if (summary.metadataIncomplete)
        std::cerr << "tvx: warning: the metadata block of " << path
                  << " is cut short; its metadata were not read\n";
    if (arguments.has("json"))
        printSummaryJson(std::cout, summary);
    else
        printSummary(std::cout, summary);
    return 0;
}

}  // namespace tvx
