#pragma once
// File names to formats: which reader or writer an extension stands for.
#include <string>

namespace tvx {

enum class ImageFormat { Unknown, Png, Tiff, Pnm };

// By the extension, ignoring case.
ImageFormat imageFormatOf(const std::string& path);

}  // namespace tvx
