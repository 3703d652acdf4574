#pragma once
// Names for the message codes that the library raises, so that a call site says
// which text it means. Each is the code of one catalog entry (family:index); the
// catalog itself, in cv_messages.cpp, keeps the table by number as it is numbered.
#include "support/cv_messages.h"

namespace Corvane {

// Family 1: general, decoding, geometry, metadata, transformer and stream errors.

// "Failure"
inline constexpr std::int32_t kFailure = messageCode(1, 0x1);
// "Out of memory"
inline constexpr std::int32_t kOutOfMemory = messageCode(1, 0x2);
// "Null pointer exception"
inline constexpr std::int32_t kNullPointer = messageCode(1, 0x3);
// "Invalid argument passed to function"
inline constexpr std::int32_t kInvalidArgument = messageCode(1, 0x4);
// "Program interrupt encountered"
inline constexpr std::int32_t kProgramInterrupt = messageCode(1, 0x5);
// a newer image than this reader supports
inline constexpr std::int32_t kNewerImage = messageCode(1, 0x7);
// the stream holds no Tovex image
inline constexpr std::int32_t kNotATovexImage = messageCode(1, 0x8);
// TG2 stream structure: a marker problem
inline constexpr std::int32_t kMarkerProblem = messageCode(1, 0x9);
// TG2 decoding: an unexpected marker byte
inline constexpr std::int32_t kUnexpectedMarker = messageCode(1, 0xa);
// TG2 decoding: an unexpected end of data
inline constexpr std::int32_t kUnexpectedEof = messageCode(1, 0xb);
// TG2 decoding: an error decompressing the file
inline constexpr std::int32_t kDecompressionError = messageCode(1, 0xc);
// the colour space is unknown
inline constexpr std::int32_t kUnknownColorSpace = messageCode(1, 0xd);
// the navigator was given an invalid scene
inline constexpr std::int32_t kInvalidNavigatorSupport = messageCode(1, 0xe);
// TG2 dither: error 1
inline constexpr std::int32_t kDitherError = messageCode(1, 0x12);
// TG2 synthesis: an invalid image support
inline constexpr std::int32_t kInvalidImageSupport = messageCode(1, 0x18);
// TG2 synthesis: the scale is beyond the levels
inline constexpr std::int32_t kScaleBeyondLevels = messageCode(1, 0x19);
// "Error 1 in subroutine merge2."
inline constexpr std::int32_t kMerge2Error1 = messageCode(1, 0x1d);
// "Error 2 in subroutine merge2."
inline constexpr std::int32_t kMerge2Error2 = messageCode(1, 0x1e);
// "Error 3 in subroutine merge2."
inline constexpr std::int32_t kMerge2Error3 = messageCode(1, 0x1f);
// "Error 4 in subroutine merge2."
inline constexpr std::int32_t kMerge2Error4 = messageCode(1, 0x20);
// "Error 5 in subroutine merge2."
inline constexpr std::int32_t kMerge2Error5 = messageCode(1, 0x21);
// TG2 synthesis: the scale is below 0 or beyond the levels
inline constexpr std::int32_t kScaleOutOfRange = messageCode(1, 0x2c);
// error initialising metadata
inline constexpr std::int32_t kMetadataInitialisation = messageCode(1, 0x42);
// "Memory allocation error."
inline constexpr std::int32_t kMemoryAllocation = messageCode(1, 0x5d);
// "Unimplemented method."
inline constexpr std::int32_t kUnimplemented = messageCode(1, 0xc5);
// "Unimplemented method: %s."
inline constexpr std::int32_t kUnimplementedNamed = messageCode(1, 0xc6);
// "Unimplemented method - file:%s line:%d."
inline constexpr std::int32_t kUnimplementedAt = messageCode(1, 0xc8);
// "Unsupported feature."
inline constexpr std::int32_t kUnsupportedFeature = messageCode(1, 0xc9);
// "Unsupported feature: %s."
inline constexpr std::int32_t kUnsupportedFeatureNamed = messageCode(1, 0xca);
// "Invalid data format."
inline constexpr std::int32_t kInvalidDataFormat = messageCode(1, 0xcb);
// "Unsupported version."
inline constexpr std::int32_t kUnsupportedVersion = messageCode(1, 0xcd);
// "Unsupported image format."
inline constexpr std::int32_t kUnsupportedImageFormat = messageCode(1, 0xce);
// "Invalid image data."
inline constexpr std::int32_t kInvalidImageData = messageCode(1, 0xcf);
// "An I/O problem has occurred."
inline constexpr std::int32_t kIoProblem = messageCode(1, 0xd0);
// "Cannot find transformer for %s to %s."
inline constexpr std::int32_t kNoTransformerFor = messageCode(1, 0xd1);
// error creating a file in the temp directory %s
inline constexpr std::int32_t kTempFileInDirectory = messageCode(1, 0xe1);
// "Invalid argument passed to function: %s."
inline constexpr std::int32_t kInvalidArgumentDetail = messageCode(1, 0x14c);
// "An unknown exception has been thrown.%s"
inline constexpr std::int32_t kUnknownException = messageCode(1, 0x15a);
// "Error constructing rectangle object: %s."
inline constexpr std::int32_t kRectangleConstruction = messageCode(1, 0x167);
// negative dimensions for an object
inline constexpr std::int32_t kNegativeDimensions = messageCode(1, 0x168);
// "Points do not specify a valid rectangle."
inline constexpr std::int32_t kInvalidRectanglePoints = messageCode(1, 0x169);
// "Points are not in the same z plane."
inline constexpr std::int32_t kPointsInSeveralPlanes = messageCode(1, 0x16a);
// "Cannot open file." (opening the image file)
inline constexpr std::int32_t kCannotOpenFile = messageCode(1, 0x16f);
// error creating a temporary file
inline constexpr std::int32_t kTempFileCreation = messageCode(1, 0x183);
// the temp directory %s is not accessible
inline constexpr std::int32_t kTempDirectoryInaccessible = messageCode(1, 0x184);
// "Attempt to set range with min > max."
inline constexpr std::int32_t kRangeMinAboveMax = messageCode(1, 0x185);
// error copying classical metadata
inline constexpr std::int32_t kMetadataCopy = messageCode(1, 0x186);
// "Illegal sample type."
inline constexpr std::int32_t kIllegalSampleType = messageCode(1, 0x187);
// a data type the lookup table cannot take
inline constexpr std::int32_t kLutIncompatibleType = messageCode(1, 0x188);
// "LUT index out of bounds."
inline constexpr std::int32_t kLutIndexOutOfBounds = messageCode(1, 0x189);
// "No transformer registered."
inline constexpr std::int32_t kNoTransformerRegistered = messageCode(1, 0x18a);
// "Invalid properties."
inline constexpr std::int32_t kInvalidProperties = messageCode(1, 0x18b);
// a single-value metadata element must be 1 x 1
inline constexpr std::int32_t kSingleValueShape = messageCode(1, 0x192);
// an array metadata element must be wider than 1 and 1 high
inline constexpr std::int32_t kArrayShape = messageCode(1, 0x193);
// a table metadata element must be wider and higher than 1
inline constexpr std::int32_t kTableShape = messageCode(1, 0x194);
// "Illegal dimensionality specified for MetadataElement."
inline constexpr std::int32_t kIllegalDimensionality = messageCode(1, 0x195);
// "Bad cast in metadata."
inline constexpr std::int32_t kBadMetadataCast = messageCode(1, 0x196);
// "Error parsing Tovex stream."
inline constexpr std::int32_t kTovexStreamParse = messageCode(1, 0x19e);
// "Invalid Tovex Memory Model."
inline constexpr std::int32_t kInvalidMemoryModel = messageCode(1, 0x1a5);
// error reading the classical metadata packet
inline constexpr std::int32_t kClassicalMetadataPacket = messageCode(1, 0x1a6);
// "Invalid Colorspace."
inline constexpr std::int32_t kInvalidColorspace = messageCode(1, 0x1ab);
// "Incompatible source and destination colorspace."
inline constexpr std::int32_t kIncompatibleColorspaces = messageCode(1, 0x1ac);
// "Buffer properties mismatch."
inline constexpr std::int32_t kBufferPropertiesMismatch = messageCode(1, 0x1ad);
// "Raster type incompatible with lookup table."
inline constexpr std::int32_t kRasterIncompatibleWithLut = messageCode(1, 0x1ae);

// Family 4: file and stream errors.

// "Cannot read file."
inline constexpr std::int32_t kFileReadFailed = messageCode(4, 0x1);
// "Cannot write file."
inline constexpr std::int32_t kFileWriteFailed = messageCode(4, 0x2);
// "Cannot open file." (file and stream family)
inline constexpr std::int32_t kFileOpenFailed = messageCode(4, 0x3);
// "Cannot close file."
inline constexpr std::int32_t kFileCloseFailed = messageCode(4, 0x5);
// "Cannot find file."
inline constexpr std::int32_t kFileFindFailed = messageCode(4, 0x6);
// "Cannot read stream."
inline constexpr std::int32_t kStreamReadFailed = messageCode(4, 0x7);
// "Cannot write stream."
inline constexpr std::int32_t kStreamWriteFailed = messageCode(4, 0x8);
// "Cannot open stream."
inline constexpr std::int32_t kStreamOpenFailed = messageCode(4, 0x9);
// "Unknown", the name of a stream without one
inline constexpr std::int32_t kUnknownName = messageCode(4, 0xd);
// "Error deleting file %s."
inline constexpr std::int32_t kFileDeleteFailed = messageCode(4, 0x12);
// "Invalid protocol."
inline constexpr std::int32_t kInvalidProtocol = messageCode(4, 0x14);

}  // namespace Corvane
