#pragma once
// Single-instance claims in memory: a class is held while its claim lives.

#include <memory>
#include <set>
#include <string>

#include "platform/instance.h"

namespace zelkor::testing {

class FakeInstances : public platform::Instances {
  public:
    std::set<std::string> held;

    using platform::Instances::claim;
    std::unique_ptr<platform::InstanceClaim> claim(std::string_view className,
                                                   std::string* error) override {
        if (error != nullptr) {
            error->clear();
        }
        if (!held.insert(std::string(className)).second) {
            return nullptr;
        }
        return std::make_unique<Claim>(*this, std::string(className));
    }
    bool exists(std::string_view className) override {
        return held.contains(std::string(className));
    }
    platform::Delivery deliver(std::string_view, uint32_t, std::string*) override {
        return platform::Delivery::NotRunning;
    }

  private:
    class Claim : public platform::InstanceClaim {
      public:
        Claim(FakeInstances& owner, std::string name) : owner_(owner), name_(std::move(name)) {}
        ~Claim() override { owner_.held.erase(name_); }
        int fd() const override { return -1; }
        std::vector<uint32_t> takeCommands() override { return {}; }

      private:
        FakeInstances& owner_;
        std::string name_;
    };
};

}  // namespace zelkor::testing
