#include "TestHelpers.h"

#include "preview/CoverLoader.h"

// Every widget test runs in a private home, headless, in English and the light appearance.
int main(int argc, char **argv)
{
    vidorra::uitest::usePrivateHome();
    QApplication app(argc, argv);
    vidorra::uitest::resetSettings();
    ::testing::InitGoogleTest(&argc, argv);
    const int failed = RUN_ALL_TESTS();
    // Picture decodes still running must not outlive the application (image plugins).
    namespace covers = vidorra::CoverLoader;
    vidorra::uitest::waitUntil([] { return covers::gate().free() == 4 && covers::gate().waiting() == 0; });
    return failed;
}
