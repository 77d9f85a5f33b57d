#include "preview/HardwareDecoding.h"

#include <mutex>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/hwcontext.h>
#include <libavutil/pixdesc.h>
}

namespace vidorra {

namespace {

// Takes VA-API when the decoder offers it; otherwise the first format in memory, which
// is also what is asked for again when the driver turns the stream's profile down.
AVPixelFormat pickVaapi(AVCodecContext *, const AVPixelFormat *formats)
{
    for (const AVPixelFormat *f = formats; *f != AV_PIX_FMT_NONE; ++f) {
        if (*f == AV_PIX_FMT_VAAPI)
            return *f;
    }
    for (const AVPixelFormat *f = formats; *f != AV_PIX_FMT_NONE; ++f) {
        const AVPixFmtDescriptor *desc = av_pix_fmt_desc_get(*f);
        if (desc && !(desc->flags & AV_PIX_FMT_FLAG_HWACCEL))
            return *f;
    }
    return AV_PIX_FMT_NONE;
}

class VaapiDevice : public HardwareDevice {
public:
    explicit VaapiDevice(AVBufferRef *device) : device_(device) {}
    ~VaapiDevice() override { av_buffer_unref(&device_); }

    QString name() const override { return QStringLiteral("VA-API"); }

    bool attach(AVCodecContext *context, const AVCodec *codec) override
    {
        for (int i = 0;; ++i) {
            const AVCodecHWConfig *config = avcodec_get_hw_config(codec, i);
            if (!config)
                return false;
            if (config->device_type == AV_HWDEVICE_TYPE_VAAPI
                && (config->methods & AV_CODEC_HW_CONFIG_METHOD_HW_DEVICE_CTX))
                break;
        }
        context->hw_device_ctx = av_buffer_ref(device_);
        if (!context->hw_device_ctx)
            return false;
        context->get_format = pickVaapi;
        return true;
    }

    bool holds(const AVFrame *frame) const override { return frame->format == AV_PIX_FMT_VAAPI; }

    bool download(const AVFrame *frame, AVFrame *out) override
    {
        if (av_hwframe_transfer_data(out, frame, 0) < 0)
            return false;
        av_frame_copy_props(out, frame);
        return true;
    }

private:
    AVBufferRef *device_;
};

struct Machine {
    std::once_flag opened;
    std::shared_ptr<HardwareDevice> device;
    QString why;
};

Machine &machine()
{
    static Machine instance;
    return instance;
}

std::mutex openerMutex;
DeviceOpener &opener()
{
    static DeviceOpener instance;
    return instance;
}

} // namespace

std::shared_ptr<HardwareDevice> hardwareDevice(QString *why)
{
    {
        std::lock_guard lock(openerMutex);
        if (const DeviceOpener &open = opener())
            return open(why);
    }
    Machine &m = machine();
    std::call_once(m.opened, [&m] {
        // The first render node of the machine (or the display's), as every VA-API
        // program picks it.
        AVBufferRef *device = nullptr;
        const int error = av_hwdevice_ctx_create(&device, AV_HWDEVICE_TYPE_VAAPI, nullptr, nullptr, 0);
        if (error < 0) {
            char text[AV_ERROR_MAX_STRING_SIZE] = {};
            av_strerror(error, text, sizeof text);
            m.why = QStringLiteral("no VA-API device (%1)").arg(QString::fromUtf8(text));
            return;
        }
        m.device = std::make_shared<VaapiDevice>(device);
    });
    if (why)
        *why = m.why;
    return m.device;
}

void setHardwareDeviceOpener(DeviceOpener open)
{
    std::lock_guard lock(openerMutex);
    opener() = std::move(open);
}

} // namespace vidorra
