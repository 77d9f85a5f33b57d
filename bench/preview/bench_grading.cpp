// Grading one 1920 x 1080 RGBA frame: our table-driven trilinear lookup against
// libavfilter's lut3d filter (trilinear, the same table, one thread each), for the
// built-in table and for a .cube file of size 65; then reading a .cube file of size 129,
// ours against lut3d's own reader.
#include "preview/CubeFile.h"
#include "preview/CubeFormat.h"
#include "preview/LUTEngine.h"
#include "Lut3dPeer.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace vidorra;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int W = 1920, H = 1080;

double cpuNow()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

double msSince(Clock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

bool writeFile(const QString &path, const QByteArray &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

bool compareGrading(const char *name, const QString &path, const QImage &frame, int rounds)
{
    const CubeFile ours = readCubeFile(path);
    peer::Lut3d theirs(path, W, H);
    if (!ours.cube || !theirs.ok()) {
        std::fprintf(stderr, "%s: cannot use the table\n", name);
        return false;
    }
    // Rounds alternate between the two so a busy machine slows both alike; the thread's
    // CPU time is reported beside the wall time because it is steadier under load.
    std::vector<double> theirsWall, oursWall, theirsCpu, oursCpu;
    QImage expected, mine;
    for (int i = 0; i < rounds + 1; ++i) {
        expected = theirs.apply(frame);
        if (expected.isNull()) {
            std::fprintf(stderr, "%s: lut3d gave no frame\n", name);
            return false;
        }
        mine = frame.copy();
        const double c0 = cpuNow();
        const auto t0 = Clock::now();
        ours.cube->applyRGBA(mine.bits(), W, H, mine.bytesPerLine());
        const double wall = msSince(t0), cpu = cpuNow() - c0;
        if (i == 0)
            continue;   // warm-up
        theirsWall.push_back(theirs.wallMs());
        theirsCpu.push_back(theirs.cpuMs());
        oursWall.push_back(wall);
        oursCpu.push_back(cpu);
    }
    const double tw = median(theirsWall), ow = median(oursWall);
    const double tc = median(theirsCpu), oc = median(oursCpu);
    std::printf("%s: grading 1920x1080 RGBA, one thread each, median of %d frames\n", name, rounds);
    std::printf("                                   wall ms   cpu ms\n");
    std::printf("  libavfilter lut3d (trilinear):  %8.2f %8.2f\n", tw, tc);
    std::printf("  ours (integer trilinear):       %8.2f %8.2f\n", ow, oc);
    std::printf("  ratio ours/theirs:              %8.3f %8.3f   (target <= 0.25)\n", ow / tw, oc / tc);
    // The two must agree, or the comparison means nothing.
    std::printf("  largest difference per channel: %d of 255\n\n", peer::largestDifference(mine, expected));
    return true;
}

} // namespace

int main()
{
    const int rounds = qEnvironmentVariableIntValue("VIDORRA_BENCH_ROUNDS") > 0
        ? qEnvironmentVariableIntValue("VIDORRA_BENCH_ROUNDS") : 15;
    QTemporaryDir dir;
    const QImage frame = peer::gradingFrame(W, H);

    const QString builtIn = dir.filePath(QStringLiteral("dlog.cube"));
    const QString file65 = dir.filePath(QStringLiteral("rough65.cube"));
    if (!writeFile(builtIn, cubeText(*LUTEngine::dLog(), QStringLiteral("D-Log")))
        || !writeFile(file65, peer::roughTable(65))) {
        std::fprintf(stderr, "cannot write the tables\n");
        return 1;
    }
    if (!compareGrading("built-in D-Log table, size 33", builtIn, frame, rounds)
        || !compareGrading(".cube file, size 65", file65, frame, rounds))
        return 1;

    // Reading the largest table we take: ours against lut3d's own reader (its set-up).
    const QString file129 = dir.filePath(QStringLiteral("rough129.cube"));
    if (!writeFile(file129, peer::roughTable(129)))
        return 1;
    std::vector<double> oursRead, theirsRead, oursReadCpu, theirsReadCpu;
    for (int i = 0; i < 3; ++i) {
        double c0 = cpuNow();
        auto t0 = Clock::now();
        const CubeFile ours = readCubeFile(file129);
        oursRead.push_back(msSince(t0));
        oursReadCpu.push_back(cpuNow() - c0);
        c0 = cpuNow();
        t0 = Clock::now();
        const peer::Lut3d theirs(file129, W, H);
        theirsRead.push_back(msSince(t0));
        theirsReadCpu.push_back(cpuNow() - c0);
        if (!ours.cube || !theirs.ok())
            return 1;
    }
    const double o = median(oursRead), t = median(theirsRead);
    const double oc = median(oursReadCpu), tc = median(theirsReadCpu);
    std::printf("reading a .cube file of size 129 (%lld entries, %.0f MB), median of 3\n",
                129LL * 129 * 129, double(QFile(file129).size()) / 1e6);
    std::printf("                                   wall ms   cpu ms\n");
    std::printf("  libavfilter lut3d set-up:       %8.1f %8.1f\n", t, tc);
    std::printf("  ours (read, check, build):      %8.1f %8.1f\n", o, oc);
    std::printf("  ratio ours/theirs:              %8.3f %8.3f\n", o / t, oc / tc);
    return 0;
}
