#include "support/TestEnv.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // Tests format numbers under a pinned locale; Qt must not pick the machine's.
    qputenv("LC_ALL", "C.UTF-8");
    QCoreApplication app(argc, argv);
    morvanex::test::installIsolation();
    return RUN_ALL_TESTS();
}
