// Scans a generated card of clips in nested folders with a warm cache and prints
// clips per second, the cost of collect alone and of building the Library view, each
// next to a floor measured in the same run:
//   collect   vs. listing the same tree with QDirIterator (names only);
//   scan      vs. opening and reading every clip file whole;
//   Library   vs. copying the records and sorting them by file name.
// Usage: bench_library [clip count, default 10000]

#include "ClipFixture.h"
#include "library/Library.h"
#include "library/Scan.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

using namespace vidorra;

namespace {

// Best of `runs`, in milliseconds: the warm-cache figure.
template <typename F>
double best(int runs, F &&work)
{
    double out = 1e300;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        out = std::min(out, t.nsecsElapsed() / 1e6);
    }
    return out;
}

QList<QByteArray> variants()
{
    QList<QByteArray> out;
    fixture::ClipSpec spec;
    spec.duration = 1.0;
    out << fixture::buildClip(spec);
    spec.camera->colorCode = 22;
    out << fixture::buildClip(spec);
    spec.camera->captureFPS = 120;
    spec.width = spec.camera->width = 1920;
    spec.height = spec.camera->height = 1080;
    out << fixture::buildClip(spec);
    spec.camera.reset();
    out << fixture::buildClip(spec);
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 10000;
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const QString card = dir.path() + QStringLiteral("/DCIM");

    // 10 top folders x 10 sub-folders, clips spread over them, one LRF per clip.
    const QList<QByteArray> kinds = variants();
    for (int i = 0; i < count; ++i) {
        const QString folder = QStringLiteral("%1/%2/%3").arg(card).arg(i % 10).arg((i / 10) % 10);
        QDir().mkpath(folder);
        const QString stem = folder + QStringLiteral("/DJI_20240131%1_%2_D")
                                          .arg(i % 1000000, 6, 10, QLatin1Char('0'))
                                          .arg(i % 10000, 4, 10, QLatin1Char('0'));
        QFile clip(stem + QStringLiteral(".MP4"));
        QFile lrf(stem + QStringLiteral(".LRF"));
        if (!clip.open(QIODevice::WriteOnly) || !lrf.open(QIODevice::WriteOnly))
            return 1;
        clip.write(kinds.at(i % kinds.size()));
        lrf.write("lrf");
    }

    ScanResult result;
    scan({card}); // warm the cache
    const double scanMs = best(3, [&] { result = scan({card}); });
    const double collectMs = best(5, [&] { collect({card}); });
    const double listMs = best(5, [&] {
        int n = 0;
        QDirIterator it(card, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            ++n;
        }
    });
    const QList<CollectedFile> files = collect({card}).files;
    qint64 bytes = 0;
    const double readMs = best(3, [&] {
        bytes = 0;
        for (const CollectedFile &f : files) {
            QFile file(f.url);
            if (file.open(QIODevice::ReadOnly))
                bytes += file.readAll().size();
        }
    });
    Library library;
    const double libraryMs = best(5, [&] { library = Library(result.items, std::nullopt); });
    const double sortMs = best(5, [&] {
        QList<Planned> copy = result.items;
        std::stable_sort(copy.begin(), copy.end(),
                         [](const Planned &a, const Planned &b) { return a.url < b.url; });
    });

    std::printf("clips: %lld scanned, %lld bytes of clip files, %lld tabs\n",
                qint64(result.items.size()), bytes, qint64(library.tabs.size()));
    std::printf("scan:    %9.1f ms  %9.0f clips/s  (read every file whole: %.1f ms, ratio %.2f)\n",
                scanMs, result.items.size() / (scanMs / 1000.0), readMs, scanMs / readMs);
    std::printf("collect: %9.1f ms  (QDirIterator listing: %.1f ms, ratio %.2f; %.1f%% of scan)\n",
                collectMs, listMs, collectMs / listMs, 100.0 * collectMs / scanMs);
    std::printf("Library: %9.1f ms  (copy and sort the records: %.1f ms, ratio %.2f; %.1f%% of scan)\n",
                libraryMs, sortMs, libraryMs / sortMs, 100.0 * libraryMs / scanMs);
    return result.items.size() == count ? 0 : 2;
}
