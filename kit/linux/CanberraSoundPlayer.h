#pragma once

// The kit's sound player over libcanberra: one context per process, opened lazily with the process
// name as application name; each play has its own id and stop is a cancel of that id. A readable
// file that the output refuses means no usable audio device: said once per process, then plays go
// on trying (and answering NO) quietly; ALSA's own complaints never reach stderr.

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

    // libcanberra's ALSA driver and that ALSA device ("null" in tests: no noise, no sound card).
    void selectAlsaDevice(const QString& device);

private:
    ca_context* context();

    std::mutex mutex_;
    ca_context* context_ = nullptr;
    bool openFailed_ = false;
    QString alsaDevice_; // empty: libcanberra's own choice
    bool toldDeviceRefuses_ = false;
};

} // namespace kit
