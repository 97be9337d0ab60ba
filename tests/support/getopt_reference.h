// A plain option parser over indices, the reference getoptU is checked against by its tests and its fuzzer.
#ifndef QORU_TEST_GETOPT_REFERENCE_H
#define QORU_TEST_GETOPT_REFERENCE_H

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "qorucum.h"

namespace qoru_test {

// Keeps a vector and its pointer array alive; the array ends with a null.
struct Argv {
    std::vector<std::u16string> args;
    std::vector<charU16 *> pointers;
    explicit Argv(std::vector<std::u16string> v) : args(std::move(v)) {
        for (auto &a : args) pointers.push_back(a.data());
        pointers.push_back(nullptr);
    }
    int32_t argc() const { return static_cast<int32_t>(args.size()); }
};

// offset is the place of the option last examined in argv[index], 0 between arguments.
struct GetoptReference {
    int32_t index = 1;
    size_t offset = 0;
    charU16 *optarg = nullptr;
    int32_t optopt = 0;

    int32_t next(int32_t argc, charU16 *const *argv, const std::u16string &opts) {
        auto at = [&](int32_t i) { return i < argc ? argv[i] : nullptr; };
        if (offset == 0 && (at(index) == nullptr || argv[index][0] != u'-')) return -1;
        if (offset == 0 && std::u16string_view(argv[index]) == u"--") {
            ++index;
            optarg = nullptr;
            return -1;
        }
        const std::u16string_view arg(argv[index]);
        const char16_t c = ++offset < arg.size() ? arg[offset] : 0;
        if (c == 0) {
            offset = 0;
            return -1;
        }
        const bool last = offset + 1 == arg.size();
        const size_t spec = c == u':' ? std::u16string::npos : opts.find(c);
        if (spec == std::u16string::npos || opts[spec + 1] != u':') {
            if (spec == std::u16string::npos) optopt = c;
            else optarg = nullptr;
            if (last) ++index, offset = 0;
            return spec == std::u16string::npos ? u'?' : c;
        }
        const size_t rest = offset + 1;
        offset = 0;
        if (!last) {
            optarg = argv[index++] + rest;
        } else if (at(index + 1) != nullptr) {
            optarg = argv[index + 1];
            index += 2;
        } else {
            ++index;
            optopt = c;
            return opts[0] == u':' ? u':' : u'?';
        }
        return c;
    }
};

// Sets optindU to ref.index and makes calls calls of getoptU and of ref side
// by side: true when every result, optindU, optargU and optoptU agree.
inline bool getoptAgrees(int32_t argc, charU16 *const *argv, const std::u16string &opts, GetoptReference &ref,
                         size_t calls) {
    optindU = ref.index;
    for (; calls > 0; --calls) {
        const int32_t expected = ref.next(argc, argv, opts);
        if (getoptU(argc, argv, opts.c_str()) != expected || optindU != ref.index || optargU != ref.optarg ||
            optoptU != ref.optopt)
            return false;
    }
    return true;
}

}  // namespace qoru_test

#endif
