// Start-up and language tests run in a private home, headless.
#include "../ui/helpers/TestHelpers.h"

#include "preview/CoverLoader.h"

using namespace vidorra;
using namespace vidorra::uitest;

int main(int argc, char **argv)
{
    usePrivateHome();
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Vidorra"));
    QCoreApplication::setApplicationName(QStringLiteral("Vidorra"));
    ::testing::InitGoogleTest(&argc, argv);
    const int failed = RUN_ALL_TESTS();
    // Picture decodes still running must not outlive the application (image plugins).
    waitUntil([] { return CoverLoader::gate().free() == 4 && CoverLoader::gate().waiting() == 0; });
    return failed;
}
