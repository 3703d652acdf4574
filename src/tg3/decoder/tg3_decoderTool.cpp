#include "tg3/decoder/tg3_decoderTool.h"

#include <utility>

#include "support/cv_status.h"

namespace Corvane {

TG3DecoderTool::TG3DecoderTool(TG3Image& image) : image_(image) {}

TG3DecoderTool::~TG3DecoderTool() = default;

std::int32_t TG3DecoderTool::open() {
    TG3Container& container = image_.container();
    std::int32_t status = container.registerKind(std::make_unique<PlanesetPacketKind>());
    if (status != 0) return status;

    PacketHeader key = PacketHeader::key(packetTypePlaneset);
    key.imageNumber = image_.imageNumber();
    Packet* packet = nullptr;
    status = container.find(key, packet);
    if (status != 0) return status;
    planeset_ = dynamic_cast<const PlanesetPacket*>(packet);
    if (!planeset_) return TG3Status::repeatedOrMissing;

    info_ = image_.info();
    info_.order = planeset_->order;
    info_.orderStyle = planeset_->orderStyle;

    planeStream_ = container.stream().duplicate();
    if (!planeStream_) return TG3Status::noPosition;

    std::shared_ptr<const PlaneDirectory> directory;
    status = image_.planeDirectory(*planeStream_, *planeset_, info_, directory);
    if (status != 0) return status;
    store_ = std::make_unique<tg3_filePlaneStoreClient>(info_, std::move(directory), *planeStream_,
                                                        static_cast<std::int64_t>(planeset_->start),
                                                        info_.hasMSEs != 0);
    return TG3Status::ok;
}

}  // namespace Corvane
