#include <map>

#include "child.h"

namespace qoru_test {
namespace {

std::map<std::string, std::function<int(const std::vector<std::string> &)>> &registry() {
    static std::map<std::string, std::function<int(const std::vector<std::string> &)>> children;
    return children;
}

std::string gProgramPath;

}  // namespace

Child::Child(const char *name, std::function<int(const std::vector<std::string> &)> body) {
    registry()[name] = std::move(body);
}

int runRegisteredChild(const std::string &name, const std::vector<std::string> &args) {
    auto it = registry().find(name);
    if (it == registry().end()) return -1000;
    return it->second(args);
}

void setProgramPath(const char *path) { gProgramPath = path; }
const std::string &programPath() { return gProgramPath; }

std::string withoutCarriageReturns(std::string text) {
    std::erase(text, '\r');
    return text;
}

}  // namespace qoru_test
