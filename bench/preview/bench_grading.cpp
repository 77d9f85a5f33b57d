// Grading one 1920 x 1080 RGBA frame: our table-driven trilinear lookup against
// libavfilter's lut3d filter (trilinear, the same table, one thread each).
#include "LUTEngine.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <cstdio>
#include <vector>

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/frame.h>
#include <libavutil/opt.h>
}

using namespace vidorra;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int W = 1920, H = 1080;

// A frame with smooth gradients and some noise, like footage rather than a test card.
void fillFrame(uchar *p, qsizetype stride)
{
    QRandomGenerator random(42);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            uchar *q = p + y * stride + 4 * x;
            const int n = int(random.bounded(16)) - 8;
            q[0] = uchar(std::clamp(x * 255 / W + n, 0, 255));
            q[1] = uchar(std::clamp(y * 255 / H + n, 0, 255));
            q[2] = uchar(std::clamp((x + y) * 255 / (W + H) - n, 0, 255));
            q[3] = 255;
        }
}

bool writeCube(const LUTCube &cube, const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    QTextStream out(&file);
    out << "LUT_3D_SIZE " << cube.size() << "\n";
    const float *f = reinterpret_cast<const float *>(cube.data().constData());
    const qint64 count = cube.size() * cube.size() * cube.size();
    out.setRealNumberPrecision(9);
    for (qint64 i = 0; i < count; ++i)   // red fastest, as .cube files are
        out << f[4 * i] << ' ' << f[4 * i + 1] << ' ' << f[4 * i + 2] << "\n";
    return true;
}

double cpuNow()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main()
{
    const CubePtr cube = LUTEngine::dLog();
    QTemporaryDir dir;
    const QString cubePath = dir.filePath(QStringLiteral("dlog.cube"));
    if (!writeCube(*cube, cubePath)) {
        std::fprintf(stderr, "cannot write the table\n");
        return 1;
    }

    AVFrame *source = av_frame_alloc();
    source->format = AV_PIX_FMT_RGBA;
    source->width = W;
    source->height = H;
    av_frame_get_buffer(source, 64);
    fillFrame(source->data[0], source->linesize[0]);

    // Theirs: buffer -> lut3d -> buffersink on a one-thread graph.
    AVFilterGraph *graph = avfilter_graph_alloc();
    graph->nb_threads = 1;
    AVFilterContext *in = nullptr, *lut = nullptr, *sink = nullptr;
    const QByteArray srcArgs = QStringLiteral("video_size=%1x%2:pix_fmt=%3:time_base=1/30:pixel_aspect=1/1")
                                   .arg(W).arg(H).arg(int(AV_PIX_FMT_RGBA)).toUtf8();
    const QByteArray lutArgs = QStringLiteral("file=%1:interp=trilinear").arg(cubePath).toUtf8();
    if (avfilter_graph_create_filter(&in, avfilter_get_by_name("buffer"), "in", srcArgs.constData(), nullptr, graph) < 0
        || avfilter_graph_create_filter(&lut, avfilter_get_by_name("lut3d"), "lut", lutArgs.constData(), nullptr, graph) < 0
        || avfilter_graph_create_filter(&sink, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr, graph) < 0) {
        std::fprintf(stderr, "cannot build the lut3d graph\n");
        return 1;
    }
    const enum AVPixelFormat formats[] = {AV_PIX_FMT_RGBA, AV_PIX_FMT_NONE};
    av_opt_set_int_list(sink, "pix_fmts", formats, AV_PIX_FMT_NONE, AV_OPT_SEARCH_CHILDREN);
    avfilter_link(in, 0, lut, 0);
    avfilter_link(lut, 0, sink, 0);
    if (avfilter_graph_config(graph, nullptr) < 0) {
        std::fprintf(stderr, "cannot configure the lut3d graph\n");
        return 1;
    }

    const int rounds = qEnvironmentVariableIntValue("VIDORRA_BENCH_ROUNDS") > 0
        ? qEnvironmentVariableIntValue("VIDORRA_BENCH_ROUNDS") : 15;
    // Rounds alternate between the two so a busy machine slows both alike; the thread's
    // CPU time is reported beside the wall time because it is steadier under load.
    std::vector<double> theirsWall, oursWall, theirsCpu, oursCpu;
    AVFrame *result = av_frame_alloc();
    QImage mine(W, H, QImage::Format_RGBA8888);
    for (int i = 0; i < rounds + 1; ++i) {
        AVFrame *copy = av_frame_clone(source);
        copy->pts = i;
        av_frame_unref(result);
        auto c0 = cpuNow();
        auto t0 = Clock::now();
        int got = av_buffersrc_add_frame(in, copy);
        if (got >= 0)
            got = av_buffersink_get_frame(sink, result);
        auto t1 = Clock::now();
        auto c1 = cpuNow();
        av_frame_free(&copy);
        if (got < 0) {
            std::fprintf(stderr, "lut3d gave no frame\n");
            return 1;
        }
        if (i > 0) {
            theirsWall.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
            theirsCpu.push_back(c1 - c0);
        }

        for (int y = 0; y < H; ++y)
            std::memcpy(mine.scanLine(y), source->data[0] + y * source->linesize[0], size_t(W) * 4);
        c0 = cpuNow();
        t0 = Clock::now();
        cube->applyRGBA(mine.bits(), W, H, mine.bytesPerLine());
        t1 = Clock::now();
        c1 = cpuNow();
        if (i > 0) {
            oursWall.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
            oursCpu.push_back(c1 - c0);
        }
    }

    // The two must agree, or the comparison means nothing.
    int worst = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W * 4; ++x)
            if (x % 4 != 3)
                worst = std::max(worst, std::abs(int(mine.constScanLine(y)[x]) - int(result->data[0][y * result->linesize[0] + x])));

    const double tw = median(theirsWall), ow = median(oursWall);
    const double tc = median(theirsCpu), oc = median(oursCpu);
    std::printf("grading 1920x1080 RGBA, table of 33, one thread each, median of %d frames\n", rounds);
    std::printf("                                   wall ms   cpu ms\n");
    std::printf("  libavfilter lut3d (trilinear):  %8.2f %8.2f\n", tw, tc);
    std::printf("  ours (integer trilinear):       %8.2f %8.2f\n", ow, oc);
    std::printf("  ratio ours/theirs:              %8.3f %8.3f   (target <= 0.25)\n", ow / tw, oc / tc);
    std::printf("  largest difference per channel: %d of 255\n", worst);

    av_frame_free(&result);
    av_frame_free(&source);
    avfilter_graph_free(&graph);
    return 0;
}
