#pragma once
// The virtual display card: the display chip's VGA registers with the I2C
// bus behind two of them, the devices on that bus, the video sources on the
// decoder's inputs, the capture device and the capture driver descriptions.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/capture_driver.h"
#include "platform/clock.h"
#include "platform/device_control.h"
#include "platform/hardware.h"
#include "platform/pci.h"
#include "platform/ports.h"
#include "vcard/bus_devices.h"
#include "vcard/config.h"
#include "vcard/i2c_bus.h"
#include "vcard/picture.h"
#include "vcard/source.h"
#include "vcard/vcd_trace.h"

namespace zelkor::vcard {

// How a chip family guards its extended CRT controller registers, and where
// the I2C drive and sense registers sit among them.
struct ChipFamily {
    enum class Unlock {
        Sequencer,         // sequencer 0x06 <- 0x57
        SequencerAndCrtc,  // sequencer 0x06 <- 0x56, then CRTC 0x1F <- 0x57
    };
    Unlock unlock = Unlock::SequencerAndCrtc;
    uint8_t driveIndex = 0x37;
    uint8_t senseIndex = 0x36;
};

ChipFamily chipFamily(ChipId chip);

// Port numbers of the card.
namespace port {
constexpr uint16_t SequencerIndex = 0x3C4;
constexpr uint16_t SequencerData = 0x3C5;
constexpr uint16_t CrtcIndex = 0x3D4;
constexpr uint16_t CrtcData = 0x3D5;
constexpr uint16_t Delay = 0x80;
}  // namespace port

class VirtualCard : public platform::Ports,
                    public platform::Pci,
                    public platform::DeviceControl,
                    public platform::CaptureDriver {
  public:
    static constexpr const char* CaptureDeviceName = "\\\\.\\ZKVP5100";
    static constexpr uint32_t QueryCode = 11;

    // Sources are given ready-made (null = nothing connected), so building
    // a card never fails; the clock times the video fields and the trace.
    VirtualCard(const VcardConfig& config, platform::Clock& clock,
                std::unique_ptr<VideoSource> composite, std::unique_ptr<VideoSource> svideo);
    ~VirtualCard() override;

    // Ports
    uint8_t in(uint16_t port) override;
    void out(uint16_t port, uint8_t value) override;
    // Pci
    bool findDevice(uint16_t vendorId, uint16_t deviceId, int index) override;
    // DeviceControl
    int open(std::string_view name) override;
    bool control(int handle, uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out,
                 uint32_t& returned) override;
    void close(int handle) override;
    // CaptureDriver
    bool driverDescription(int index, std::string& name, std::string& version) override;
    // Defined with the capture driver (capture_window.cpp).
    std::unique_ptr<platform::CaptureWindow> createCaptureWindow(QWidget* parent) override;

    // The decoder's output: the field that is current on the clock, or a
    // given one. 720 pixels wide; 240 lines at 60 fields per second, 288 at
    // 50 (the standard the decoder is set to; 60 while it is set to none).
    // Black while the output is off or the decoder is not locked.
    void currentField(VideoField& out);
    void field(uint64_t index, VideoField& out);
    int outputFieldRate() const;
    int outputFieldHeight() const;

    // Looking inside, for tests and diagnostics.
    I2cBus& bus() { return bus_; }
    const Decoder* decoder() const { return decoder_.get(); }
    const OutputLatch& outputLatch() const { return latch_; }
    const ChipFamily& family() const { return family_; }
    uint64_t portReads() const { return reads_; }
    uint64_t portWrites() const { return writes_; }
    bool extendedUnlocked() const;

  private:
    InputSignal signalOf(Connector c) const;
    VideoSource* sourceOf(Connector c) const;
    uint8_t readCrtc(uint8_t index) const;
    void writeCrtc(uint8_t index, uint8_t value);
    void traceLines(bool scl, bool sda);

    VcardConfig config_;
    platform::Clock& clock_;
    ChipFamily family_;
    std::unique_ptr<VideoSource> composite_;
    std::unique_ptr<VideoSource> svideo_;
    I2cBus bus_;
    std::unique_ptr<Decoder> decoder_;
    std::unique_ptr<OptionalDevice> optional_;
    OutputLatch latch_;
    std::unique_ptr<VcdTrace> trace_;
    uint64_t traceStartMs_ = 0;
    uint64_t fieldStartMs_ = 0;
    Picture scratch_;

    uint8_t seqIndex_ = 0;
    uint8_t crtcIndex_ = 0;
    std::array<uint8_t, 256> seq_{};
    std::array<uint8_t, 256> crtc_{};
    uint64_t reads_ = 0;
    uint64_t writes_ = 0;
    int openHandles_ = 0;
};

}  // namespace zelkor::vcard
