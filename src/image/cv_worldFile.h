#pragma once
// The world file beside an image: six numeric text lines giving the X resolution,
// the two rotations, the Y resolution and the upper-left corner.
#include "image/cv_imageProperties.h"
#include "stream/cv_fileSpecification.h"

namespace Corvane {

// The world file's path: the image path with its extension replaced by "TXW".
FileSpecification worldFilePath(const FileSpecification& imagePath);

// Reads the world file of imagePath into properties. A missing file changes
// nothing; a short file sets the properties of the lines it has, and only a file of
// all six lines sets has-geo-information.
void readWorldFile(ImageProperties& properties, const FileSpecification& imagePath);

}  // namespace Corvane
