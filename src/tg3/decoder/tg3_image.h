#pragma once
// One image of a TG3 file: its header packet, its information and its image
// description. For a file of several images the description is the union of all
// their extents, which gives the size of the whole mosaic.
#include <cstdint>
#include <memory>

#include "platform/cv_sync.h"
#include "tg3/container/tg3_container.h"
#include "tg3/engine/tg3_subblockExchange.h"
#include "tg3/header/tg3_headerPacket.h"
#include "tg3/header/tg3_imageDescription.h"
#include "tg3/header/tg3_imageInfo.h"
#include "tg3/planeset/tg3_planeIndex.h"
#include "tg3/planeset/tg3_planesetPacket.h"

namespace Corvane {

class TG3Image {
  public:
    TG3Image(TG3Container& container, std::uint32_t imageNumber, bool multiImage);
    TG3Image(const TG3Image&) = delete;
    TG3Image& operator=(const TG3Image&) = delete;

    // Finds the header packet and reads the description. A status: 2010 when
    // opened twice, when the header is missing or when mosaic tiles disagree in
    // resolution; 2009 when the image list lacks the image.
    std::int32_t open();

    bool isOpen() const { return opened_; }
    bool isMultiImage() const { return multiImage_; }
    std::uint32_t imageNumber() const { return imageNumber_; }
    TG3Container& container() const { return container_; }
    const HeaderPacket* headerPacket() const { return header_; }

    std::uint32_t width() const { return width_; }
    std::uint32_t height() const { return height_; }
    const TG3ImageInfo& info() const { return info_; }
    const ImageDescription& description() const { return description_; }
    // The levels that can be decoded: those of the header less any removed ones.
    int levels() const { return info_.effectiveLevels(); }

    // The directory of the planes of `planeset`, walked through `stream` with `info`
    // on the first call and kept, with the status of that walk, for every later one:
    // decoders are created per request, and the walk costs time in proportion to the
    // image's sub-blocks. Safe to call from several threads.
    std::int32_t planeDirectory(KernelStream& stream, const PlanesetPacket& planeset,
                                const TG3ImageInfo& info,
                                std::shared_ptr<const PlaneDirectory>& directory);

    // Where this image's decoders leave and take sub-blocks shared with decoders of
    // the same image in other readers (see SubblockExchange); none by default. Set it
    // before decoding starts.
    void shareSubblocks(std::shared_ptr<SubblockExchange> exchange) {
        exchange_ = std::move(exchange);
    }
    const std::shared_ptr<SubblockExchange>& subblockExchange() const { return exchange_; }

  private:
    std::int32_t openMosaic();

    TG3Container& container_;
    std::uint32_t imageNumber_;
    bool opened_ = false;
    bool multiImage_;
    const HeaderPacket* header_ = nullptr;
    TG3ImageInfo info_;
    std::uint32_t width_ = 0;
    std::uint32_t height_ = 0;
    ImageDescription description_;

    CVCriticalSection directoryMutex_;
    bool directoryWalked_ = false;
    std::int32_t directoryStatus_ = 0;
    std::shared_ptr<const PlaneDirectory> directory_;
    std::shared_ptr<SubblockExchange> exchange_;
};

}  // namespace Corvane
