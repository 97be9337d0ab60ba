// Test programs start here: "--child NAME ARGS..." runs a registered child body instead of the suites.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>

#include "child.h"

namespace qoru_test {
namespace {

using Registry = std::map<std::string, std::function<int(const std::vector<std::string> &)>>;
Registry &registry() { static Registry children; return children; }

std::string gProgramPath;

}  // namespace

Child::Child(const char *name, std::function<int(const std::vector<std::string> &)> body) {
    registry()[name] = std::move(body);
}

const std::string &programPath() { return gProgramPath; }

}  // namespace qoru_test

int main(int argc, char **argv) {
    qoru_test::gProgramPath = argv[0];
    if (argc >= 3 && strcmp(argv[1], "--child") == 0) {
        const auto child = qoru_test::registry().find(argv[2]);
        const int code = child == qoru_test::registry().end() ? -1000 : child->second({argv + 3, argv + argc});
        fflush(nullptr);
        return code;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
