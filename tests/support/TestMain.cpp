#include "support/TestEnv.h"

#include <gtest/gtest.h>

// Drawing tests need the widgets application object; the others keep the headless one the
// headless modes use.
#ifdef MORVANEX_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // Tests format numbers under a pinned locale; Qt must not pick the machine's.
    qputenv("LC_ALL", "C.UTF-8");
    TestApplication app(argc, argv);
    morvanex::test::installIsolation();
    return RUN_ALL_TESTS();
}
