#pragma once
// The virtual display card: the display chip with the I2C bus behind two of
// its registers, the devices on that bus, the video sources on the decoder's
// inputs, the capture device and the installed capture drivers.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/clock.h"
#include "platform/pci.h"
#include "vcard/bus_devices.h"
#include "vcard/capture_device.h"
#include "vcard/card_capture_driver.h"
#include "vcard/chip_ports.h"
#include "vcard/config.h"
#include "vcard/display.h"
#include "vcard/i2c_bus.h"
#include "vcard/picture.h"
#include "vcard/source.h"
#include "vcard/vcd_trace.h"

namespace zelkor::vcard {

// PCI presence of the chips the configuration names.
class CardPci : public platform::Pci {
  public:
    explicit CardPci(const VcardConfig& config) : config_(config) {}
    bool findDevice(uint16_t vendorId, uint16_t deviceId, int index) override;

  private:
    const VcardConfig& config_;
};

// The card is composed of one object per interface the programs reach it
// through, each handed out by reference: the chip's ports, PCI presence, the
// capture device's control, the capture drivers and the display. Where the
// program picks the card (openHardware) they are handed out through
// platform::Hardware.
class VirtualCard {
  public:
    // Sources are given ready-made (null = nothing connected), so building
    // a card never fails; the clock times the video fields and the trace.
    VirtualCard(const VcardConfig& config, platform::Clock& clock,
                std::unique_ptr<VideoSource> composite, std::unique_ptr<VideoSource> svideo);
    ~VirtualCard();
    VirtualCard(const VirtualCard&) = delete;
    VirtualCard& operator=(const VirtualCard&) = delete;

    ChipPorts& ports() { return ports_; }
    CardPci& pci() { return pci_; }
    CaptureDevice& deviceControl() { return device_; }
    CardCaptureDriver& captureDriver() { return captureDriver_; }
    CardDisplay& display() { return display_; }
    const VcardConfig& config() const { return config_; }
    platform::Clock& clock() { return clock_; }

    // The decoder's output: the field that is current on the clock, or a
    // given one. 720 pixels wide; 240 lines at 60 fields per second, 288 at
    // 50 (the standard the decoder is set to; 60 while it is set to none).
    // Black while the output is off or the decoder is not locked.
    void currentField(VideoField& out);
    void field(uint64_t index, VideoField& out);
    // The decoder's output as the capture side takes it: the current
    // field, or a given one, shrunk or stretched to width x height (even)
    // by nearest neighbour, planar. The same bytes as scaling the whole
    // field, but only the samples the frame shows are made.
    void currentFrame(int width, int height, Picture& out);
    void frame(uint64_t index, int width, int height, Picture& out);
    int outputFieldRate() const;
    int outputFieldHeight() const;

    // Whether the capture driver may write its output (a clip or a frame
    // bitmap) to `path`: a file not there yet, a regular file or a
    // character device (/dev/null) that none of the card's sources reads
    // under any of its names. A FIFO (opening it would wait for a reader),
    // a folder, a socket or a disk is refused.
    bool mayWriteOutput(const std::string& path) const;

    // Whether the bus trace the configuration names is being written.
    bool tracing() const { return trace_ != nullptr; }

    // Looking inside, for tests and diagnostics.
    I2cBus& bus() { return bus_; }
    const Decoder* decoder() const { return decoder_.get(); }
    const OutputLatch& outputLatch() const { return latch_; }

  private:
    InputSignal signalOf(Connector c) const;
    VideoSource* sourceOf(Connector c) const;
    uint64_t traceTimeNs() const;
    uint64_t currentFieldIndex() const;
    void traceLines(bool scl, bool sda);

    VcardConfig config_;
    platform::Clock& clock_;
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
    Sampling frameSampling_;  // of the last frame size asked for
    ChipPorts ports_;
    CardPci pci_;
    CaptureDevice device_;
    CardCaptureDriver captureDriver_;
    CardDisplay display_;
};

}  // namespace zelkor::vcard
