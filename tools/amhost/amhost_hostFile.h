#pragma once
// The host's file object as the reference host offers it: slot 16 gives the path,
// slots 7 and 11 count the calls that a reader passes through to them.
#include <string>

#include "host/am_host_interfaces.h"

namespace amhost {

struct ForwardedCalls {
    int count = 0;
    AmWord first = 0;
    AmWord second = 0;
};

class HostFile final : public AmHostFile {
  public:
    // What slots 7 and 11 answer: the base plus the first argument, so that a caller
    // can tell which slot was reached and with what.
    static constexpr AmWord kSlot7Answer = 7000;
    static constexpr AmWord kSlot11Answer = 11000;

    explicit HostFile(std::string path) : path_(std::move(path)) {}
    ~HostFile() = default;

    void* destroy(unsigned flags) override;
    AmWord hostSlot1() override { return 0; }
    AmWord hostSlot2() override { return 0; }
    AmWord hostSlot3() override { return 0; }
    AmWord hostSlot4() override { return 0; }
    AmWord hostSlot5() override { return 0; }
    AmWord hostSlot6() override { return 0; }
    AmWord forwardedCall7(AmWord first, AmWord second) override;
    AmWord hostSlot8() override { return 0; }
    AmWord hostSlot9() override { return 0; }
    AmWord hostSlot10() override { return 0; }
    AmWord forwardedCall11(AmWord first, AmWord second) override;
    AmWord hostSlot12() override { return 0; }
    AmWord hostSlot13() override { return 0; }
    AmWord hostSlot14() override { return 0; }
    AmWord hostSlot15() override { return 0; }
    const char* path() override { return path_.c_str(); }

    const ForwardedCalls& slot7Calls() const { return slot7_; }
    const ForwardedCalls& slot11Calls() const { return slot11_; }

  private:
    std::string path_;
    ForwardedCalls slot7_;
    ForwardedCalls slot11_;
};

}  // namespace amhost
