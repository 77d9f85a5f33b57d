#pragma once
// Video decoding on the graphics hardware (VA-API on Linux) where the machine has it.
// A decoder asks the device to take its stream; when the device is missing, does not
// take the stream, or fails before the first picture, the decoder carries on in software
// (see VideoDecoder), so what is shown is the same either way.

#include <QString>
#include <functional>
#include <memory>

struct AVCodec;
struct AVCodecContext;
struct AVFrame;

namespace vidorra {

class HardwareDevice {
public:
    virtual ~HardwareDevice() = default;
    virtual QString name() const = 0;
    // Sets up `context` (allocated for `codec`, not yet opened) to decode on the device;
    // false when the device cannot decode this codec. The decoder may still fall back to
    // software by itself when the device rejects the stream's profile: frames then come
    // out in memory.
    virtual bool attach(AVCodecContext *context, const AVCodec *codec) = 0;
    // Whether `frame` lies on the device and must be downloaded before it is read.
    virtual bool holds(const AVFrame *frame) const = 0;
    // Copies `frame` from the device into `out` (unreferenced, in memory); false on failure.
    virtual bool download(const AVFrame *frame, AVFrame *out) = 0;
};

// The machine's device, opened once on first use and shared by every decoder; null
// when none opens, with the reason in `why`. Safe from any thread.
std::shared_ptr<HardwareDevice> hardwareDevice(QString *why = nullptr);

// Replaces the machine's device from now on: `open` is asked once per decoder and
// returns the device or null with its reason. An empty function restores the machine's.
// For tests, which have no graphics hardware to try the real one on.
using DeviceOpener = std::function<std::shared_ptr<HardwareDevice>(QString *why)>;
void setHardwareDeviceOpener(DeviceOpener open);

} // namespace vidorra
