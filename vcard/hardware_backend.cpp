// openHardware, declared in platform/hardware.h, is defined here: linking
// this library makes the configured card (built from the station's own
// vcard-NAME.ini, $ZELKOR_VCARD, vcard.ini in the program's folder, or the
// built-in default) the machine's hardware.

#include <QCoreApplication>

#include <cstdlib>

#include "platform/hardware.h"
#include "platform/program_dir.h"
#include "platform/station.h"
#include "vcard/capture_window.h"
#include "vcard/card.h"
#include "vcard/display_window.h"
#include "vcard/machine.h"

namespace zelkor::platform {

namespace {

class CardHardware : public Hardware {
  public:
    explicit CardHardware(std::unique_ptr<vcard::VirtualCard> card) : card_(std::move(card)) {
        vcard::installCaptureWindows(*card_);
    }

    Ports& ports() override { return realPorts ? *realPorts : card_->ports(); }
    Pci& pci() override { return systemPci ? *systemPci : card_->pci(); }
    DeviceControl& deviceControl() override { return card_->deviceControl(); }
    CaptureDriver& captureDriver() override { return card_->captureDriver(); }
    // The display shows on the program's windows once it has any.
    std::unique_ptr<DisplayDevice> createDisplayDevice() override {
        if (!windows_ && QCoreApplication::instance() != nullptr) {
            windows_ = std::make_unique<vcard::QtWindowSystem>(card_->display());
        }
        return card_->display().open();
    }
    uint64_t busSettleGiveUps() const override { return card_->bus().settleGiveUps(); }

    std::unique_ptr<Ports> realPorts;
    std::unique_ptr<Pci> systemPci;

  private:
    std::unique_ptr<vcard::VirtualCard> card_;
    std::unique_ptr<vcard::QtWindowSystem> windows_;
};

}  // namespace

std::unique_ptr<Hardware> openHardware(Clock& clock, std::string_view station, std::string& error) {
    vcard::VcardConfig config;
    const std::string named = stationCardConfig(station, std::getenv("ZELKOR_VCARD"));
    if (!vcard::loadVcardConfig(named.empty() ? nullptr : named.c_str(), programDirectory(), config,
                                error)) {
        return nullptr;
    }
    std::string why;
    auto composite = vcard::makeSource(config.composite, why);
    if (!why.empty()) {
        error = "composite source: " + why;
        return nullptr;
    }
    auto svideo = vcard::makeSource(config.svideo, why);
    if (!why.empty()) {
        error = "S-Video source: " + why;
        return nullptr;
    }
    auto card = std::make_unique<vcard::VirtualCard>(config, clock, std::move(composite),
                                                     std::move(svideo));
    if (!config.traceFile.empty() && !card->tracing()) {
        error = config.traceFile + ": the bus trace cannot be written";
        return nullptr;
    }
    auto hw = std::make_unique<CardHardware>(std::move(card));
    if (config.pci == vcard::PciBackend::System) {
        hw->systemPci = std::make_unique<vcard::SystemPci>();
    }
    if (config.ports == vcard::PortsBackend::Real) {
        hw->realPorts = vcard::openRealPorts(error);
        if (!hw->realPorts) {
            return nullptr;
        }
    }
    return hw;
}

}  // namespace zelkor::platform
