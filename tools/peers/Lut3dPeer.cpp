#include "Lut3dPeer.h"

#include "Scene.h"

#include <QRandomGenerator>

#include <chrono>
#include <cstring>
#include <ctime>

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/frame.h>
#include <libavutil/opt.h>
}

namespace vidorra::peer {

namespace {

double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

} // namespace

QImage gradingFrame(int width, int height)
{
    QImage frame(width, height, QImage::Format_RGBA8888);
    std::vector<uchar> rgb(size_t(width) * 3);
    QRandomGenerator random(42);
    for (int y = 0; y < height; ++y) {
        uchar *out = frame.scanLine(y);
        const bool footage = y < height * 2 / 3;
        if (footage)
            fixture::scene::row(rgb.data(), y, width, height, 0, 3, true, 30.0);
        for (int x = 0; x < width; ++x) {
            const quint32 noise = random.generate();
            for (int c = 0; c < 3; ++c)
                out[4 * x + c] = footage ? rgb[size_t(3 * x + c)] : uchar(noise >> (8 * c));
            out[4 * x + 3] = 255;
        }
    }
    return frame;
}

QByteArray roughTable(int n)
{
    QByteArray text = "TITLE \"rough\"\nLUT_3D_SIZE " + QByteArray::number(n) + "\n";
    QRandomGenerator random{quint32(n)};
    for (int i = 0; i < n * n * n * 3; ++i)
        text += QByteArray::number(random.generateDouble() * 1.4 - 0.2, 'f', 6) + (i % 3 == 2 ? "\n" : " ");
    return text;
}

int largestDifference(const QImage &a, const QImage &b)
{
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width() * 4; ++x)
            if (x % 4 != 3)
                worst = std::max(worst, std::abs(int(a.constScanLine(y)[x]) - int(b.constScanLine(y)[x])));
    return worst;
}

struct Lut3d::Graph {
    AVFilterGraph *graph = nullptr;
    AVFilterContext *in = nullptr, *lut = nullptr, *sink = nullptr;
    int width = 0, height = 0;
    qint64 pts = 0;
    QString error;
    double wall = 0, cpu = 0;

    ~Graph() { avfilter_graph_free(&graph); }
};

Lut3d::Lut3d(const QString &cubePath, int width, int height) : graph(std::make_unique<Graph>())
{
    Graph &g = *graph;
    g.width = width;
    g.height = height;
    g.graph = avfilter_graph_alloc();
    if (!g.graph) {
        g.error = QStringLiteral("no filter graph");
        return;
    }
    g.graph->nb_threads = 1;
    const QByteArray srcArgs = QStringLiteral("video_size=%1x%2:pix_fmt=%3:time_base=1/30:pixel_aspect=1/1")
                                   .arg(width).arg(height).arg(int(AV_PIX_FMT_RGBA)).toUtf8();
    const QByteArray lutArgs = QStringLiteral("file=%1:interp=trilinear").arg(cubePath).toUtf8();
    if (avfilter_graph_create_filter(&g.in, avfilter_get_by_name("buffer"), "in", srcArgs.constData(), nullptr, g.graph) < 0
        || avfilter_graph_create_filter(&g.lut, avfilter_get_by_name("lut3d"), "lut", lutArgs.constData(), nullptr, g.graph) < 0
        || avfilter_graph_create_filter(&g.sink, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr, g.graph) < 0) {
        g.error = QStringLiteral("cannot build the lut3d graph");
        return;
    }
    const enum AVPixelFormat formats[] = {AV_PIX_FMT_RGBA, AV_PIX_FMT_NONE};
    av_opt_set_int_list(g.sink, "pix_fmts", formats, AV_PIX_FMT_NONE, AV_OPT_SEARCH_CHILDREN);
    if (avfilter_link(g.in, 0, g.lut, 0) < 0 || avfilter_link(g.lut, 0, g.sink, 0) < 0
        || avfilter_graph_config(g.graph, nullptr) < 0)
        g.error = QStringLiteral("cannot configure the lut3d graph");
}

Lut3d::~Lut3d() = default;

bool Lut3d::ok() const { return graph->error.isEmpty(); }
QString Lut3d::error() const { return graph->error; }
double Lut3d::wallMs() const { return graph->wall; }
double Lut3d::cpuMs() const { return graph->cpu; }

QImage Lut3d::apply(const QImage &frame)
{
    Graph &g = *graph;
    if (!ok() || frame.format() != QImage::Format_RGBA8888 || frame.width() != g.width || frame.height() != g.height)
        return {};
    AVFrame *source = av_frame_alloc();
    source->format = AV_PIX_FMT_RGBA;
    source->width = g.width;
    source->height = g.height;
    source->pts = g.pts++;
    AVFrame *result = av_frame_alloc();
    QImage out;
    if (av_frame_get_buffer(source, 64) >= 0) {
        for (int y = 0; y < g.height; ++y)
            std::memcpy(source->data[0] + qsizetype(y) * source->linesize[0], frame.constScanLine(y), size_t(g.width) * 4);
        const double c0 = threadCpuMs();
        const auto t0 = std::chrono::steady_clock::now();
        int got = av_buffersrc_add_frame(g.in, source);
        if (got >= 0)
            got = av_buffersink_get_frame(g.sink, result);
        const auto t1 = std::chrono::steady_clock::now();
        g.cpu = threadCpuMs() - c0;
        g.wall = std::chrono::duration<double, std::milli>(t1 - t0).count();
        if (got >= 0) {
            out = QImage(g.width, g.height, QImage::Format_RGBA8888);
            for (int y = 0; y < g.height; ++y)
                std::memcpy(out.scanLine(y), result->data[0] + qsizetype(y) * result->linesize[0], size_t(g.width) * 4);
        }
    }
    av_frame_free(&result);
    av_frame_free(&source);
    return out;
}

} // namespace vidorra::peer
