#include "preview/CoverLoader.h"

#include "preview/Cover.h"
#include "preview/FrameGrab.h"
#include "preview/ThreadPriority.h"

#include "metadata/BoxReader.h"

#include <QCache>
#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QThreadPool>
#include <mutex>

namespace vidorra::CoverLoader {

namespace {

constexpr int maxSide = 520;
constexpr int cacheEntries = 400;

struct Cache {
    std::mutex mutex;
    QCache<QString, QImage> images{cacheEntries};
};

// Loads end before it goes: the pool below belongs to the application object, which
// waits for them when it is destroyed, long before the process's statics are.
Cache &cache()
{
    static Cache instance;
    return instance;
}

// Our own pool, so thumbnails never queue behind a scan's chunks; the gate keeps the
// number of loads at four anyway. It belongs to the application object.
QThreadPool &pool()
{
    static QPointer<QThreadPool> instance;
    if (!instance) {
        auto *p = new QThreadPool(QCoreApplication::instance());
        p->setObjectName(QStringLiteral("covers"));
        p->setMaxThreadCount(4);
        p->setExpiryTimeout(10000);
        // A decode still running while the application object goes away would use the
        // torn-down image plugins: let the loads in hand (one key frame each) finish
        // first. The queued ones are dropped, or each load that ends would admit the
        // next and quitting would wait for all of them.
        if (QCoreApplication *app = QCoreApplication::instance()) {
            QObject::connect(app, &QCoreApplication::aboutToQuit, p, [p] {
                abandonPending();
                p->waitForDone(3000);
            });
        }
        instance = p;
    }
    return *instance;
}

// Where a finished load goes. The receiver may be destroyed on its own thread at any
// time; `mutex` makes "still there? then post" one step against that.
struct Delivery {
    std::mutex mutex;
    QObject *receiver = nullptr;
    QMetaObject::Connection watch;
};

} // namespace

CoverGate &gate()
{
    static CoverGate instance(4); // its loads end with the pool, before the statics go
    return instance;
}

QString cacheKey(const QString &path, const LUTCube *cube)
{
    return cube ? path + QLatin1Char('.') + cube->id() : path;
}

std::optional<QImage> cached(const QString &path, const CubePtr &cube)
{
    Cache &c = cache();
    std::lock_guard lock(c.mutex);
    if (const QImage *image = c.images.object(cacheKey(path, cube.get())))
        return *image;
    return std::nullopt;
}

void abandonPending()
{
    gate().abandonWaiting();
    pool().clear();
}

void clearCache()
{
    Cache &c = cache();
    std::lock_guard lock(c.mutex);
    c.images.clear();
}

std::optional<QImage> render(const QString &path, double duration, const LUTCube *cube)
{
    std::optional<QImage> picture;
    std::optional<QByteArray> coverBytes;
    try {
        coverBytes = readCoverData(path);
    } catch (...) {
        // Unreadable: fall through to the video, which will fail the same way.
    }
    if (coverBytes)
        picture = decodeCover(*coverBytes, maxSide);
    if (!picture)
        picture = grabClipFrame(path, coverFrameTime(duration), QSize(maxSide, maxSide));
    if (picture && cube) {
        if (std::optional<QImage> graded = cube->apply(*picture))
            picture = std::move(graded);
    }
    return picture;
}

std::shared_ptr<CoverRequest> load(const QString &path, double duration, const CubePtr &cube,
                                   QObject *receiver, Done done)
{
    auto request = std::make_shared<CoverRequest>();
    if (std::optional<QImage> hit = cached(path, cube)) {
        if (done)
            done(hit);
        return request;
    }

    if (!receiver)
        receiver = QCoreApplication::instance();
    auto delivery = std::make_shared<Delivery>();
    delivery->receiver = receiver;
    if (receiver) {
        delivery->watch = QObject::connect(receiver, &QObject::destroyed, [delivery] {
            std::lock_guard lock(delivery->mutex);
            delivery->receiver = nullptr;
        });
        request->setReceiverWatch(delivery->watch);
    }
    auto receiverGone = [delivery] {
        std::lock_guard lock(delivery->mutex);
        return delivery->receiver == nullptr;
    };

    gate().enter([=] {
        if (request->isCancelled() || receiverGone()) {
            gate().leave();
            return;
        }
        pool().start([=] {
            static thread_local const bool lowered = (lowerThreadPriority(5), true);
            Q_UNUSED(lowered);
            const std::optional<QImage> picture = render(path, duration, cube.get());
            gate().leave();
            if (picture) {
                Cache &c = cache();
                std::lock_guard lock(c.mutex);
                c.images.insert(cacheKey(path, cube.get()), new QImage(*picture));
            }
            std::lock_guard lock(delivery->mutex);
            if (!delivery->receiver || request->isCancelled())
                return;
            QMetaObject::invokeMethod(delivery->receiver, [delivery, request, done, picture] {
                QObject::disconnect(delivery->watch);
                if (!request->isCancelled() && done)
                    done(picture);
            }, Qt::QueuedConnection);
        });
    });
    return request;
}

} // namespace vidorra::CoverLoader
