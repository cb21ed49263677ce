#pragma once

// The kit's sound player over libcanberra: one context per process, opened lazily with the process
// name as application name; each play has its own id and stop is a cancel of that id.

#include "kit/foundation/Sound.h"

#include <mutex>

struct ca_context;

namespace kit {

class CanberraSoundPlayer : public SoundPlayer {
public:
    CanberraSoundPlayer() = default;
    ~CanberraSoundPlayer() override;

    bool play(std::uint32_t id, const QString& path, Finished finished) override;
    void cancel(std::uint32_t id) override;

    // libcanberra's ALSA driver and ALSA's built-in "null" device (tests: no noise, no sound card).
    void selectNullDevice();

private:
    ca_context* context();

    std::mutex mutex_;
    ca_context* context_ = nullptr;
    bool openFailed_ = false;
    bool nullDevice_ = false;
};

} // namespace kit
