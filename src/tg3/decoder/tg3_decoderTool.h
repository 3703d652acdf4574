#pragma once
// Finds the coded planes of one TG3 image and serves them to the decode engine:
// the planeset packet, the index of its planes and the plane store over them. The
// planes are read through a stream of the tool's own, so that decoding never moves
// the position of the stream the container reads.
#include <cstdint>
#include <memory>

#include "tg3/container/tg3_kernelStream.h"
#include "tg3/decoder/tg3_image.h"
#include "tg3/engine/tg3_filePlaneStoreClient.h"
#include "tg3/header/tg3_imageInfo.h"
#include "tg3/planeset/tg3_planesetPacket.h"

namespace Corvane {

class TG3DecoderTool {
  public:
    explicit TG3DecoderTool(TG3Image& image);
    TG3DecoderTool(const TG3DecoderTool&) = delete;
    TG3DecoderTool& operator=(const TG3DecoderTool&) = delete;
    ~TG3DecoderTool();

    // A status: 2010 without a planeset for the image, 2004 when the stream cannot
    // be duplicated, else that of the plane walk.
    std::int32_t open();

    TG3Image& image() const { return image_; }
    // The image's information with the order and order style of its planeset.
    const TG3ImageInfo& info() const { return info_; }
    const PlanesetPacket* planeset() const { return planeset_; }
    // Valid after a successful open.
    tg3_filePlaneStoreClient& planeStore() const { return *store_; }

  private:
    TG3Image& image_;
    TG3ImageInfo info_;
    const PlanesetPacket* planeset_ = nullptr;
    std::unique_ptr<KernelStream> planeStream_;
    std::unique_ptr<tg3_filePlaneStoreClient> store_;
};

}  // namespace Corvane
