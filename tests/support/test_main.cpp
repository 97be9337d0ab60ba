// Test programs start here: "--child NAME ARGS..." runs a registered child
// body instead of the suites.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "child.h"

int main(int argc, char **argv) {
    qoru_test::setProgramPath(argv[0]);
    if (argc >= 3 && strcmp(argv[1], "--child") == 0) {
        std::vector<std::string> args(argv + 3, argv + argc);
        const int code = qoru_test::runRegisteredChild(argv[2], args);
        fflush(stdout);
        fflush(stderr);
        return code;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
