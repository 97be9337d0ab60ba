// getoptU against a plain reference on random vectors (restarted through
// optindU, sometimes in the middle of a group), the classic cases, and the
// messages on standard error in a child process.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <string>
#include <vector>

#include "child.h"
#include "getopt_reference.h"
#include "qorucum.h"
#include "random_units.h"

namespace {

using qoru_test::GetoptReference;
using Vector = std::vector<std::u16string>;

// Keeps a vector and its pointer array alive; the array ends with a null.
struct Argv {
    Vector args;
    std::vector<charU16 *> pointers;
    explicit Argv(Vector v) : args(std::move(v)) {
        for (auto &a : args) pointers.push_back(a.data());
        pointers.push_back(nullptr);
    }
};

std::u16string randomArgument(qoru_test::UnitSource &rnd) {
    static constexpr char16_t alphabet[] = u"abcx:-\u00e9";
    switch (rnd.below(8)) {
        case 0: return u"word";
        case 1: return u"--";
        case 2: return u"-";
    }
    std::u16string s = u"-";
    for (size_t n = 1 + rnd.below(4); n > 0; --n) s += alphabet[rnd.below(std::size(alphabet) - 1)];
    return s;
}

std::u16string randomOptions(qoru_test::UnitSource &rnd) {
    std::u16string s = rnd.chance(25) ? u":" : u"";
    for (size_t n = rnd.below(5); n > 0; --n) {
        s += u"abc-\u00e9"[rnd.below(5)];
        if (rnd.chance(40)) s += u':';
    }
    return s;
}

TEST(Getopt, RandomVectorsMatchTheReference) {
    qoru_test::UnitSource rnd(20261206);
    std::deque<Argv> kept;  // a restart never meets an old vector at a reused address
    GetoptReference ref;
    int32_t argc = 0;
    for (int round = 0; round < 4000; ++round) {
        // A restart at index 1 or 2, of the same vector or of a new one; at
        // the argument whose group the last call stopped in, the group goes on.
        const int32_t start = 1 + static_cast<int32_t>(rnd.below(2));
        const bool sameVector = round > 0 && rnd.chance(30) && !(ref.offset != 0 && ref.index == start);
        if (!sameVector) {
            Vector args{u"prog"};
            for (size_t n = rnd.below(6); n > 0; --n) args.push_back(randomArgument(rnd));
            Argv &v = kept.emplace_back(args);
            if (rnd.chance(10) && args.size() > 1) v.pointers[1 + rnd.below(args.size() - 1)] = nullptr;
            // argc may claim more than the vector holds: the null entry ends it.
            argc = static_cast<int32_t>(args.size() + rnd.below(3)) - 1;
        }
        Argv &v = kept.back();
        const std::u16string opts = randomOptions(rnd);
        optindU = start;
        ref = {start, 0, optargU, optoptU};
        // Sometimes stop early, perhaps inside a group, before the next restart.
        for (size_t calls = rnd.chance(20) ? rnd.below(3) : 12; calls > 0; --calls) {
            const int32_t expected = ref.next(argc, v.pointers.data(), opts);
            const int32_t got = getoptU(argc, v.pointers.data(), opts.c_str());
            ASSERT_EQ(got, expected) << "round " << round;
            ASSERT_EQ(optindU, ref.index) << "round " << round;
            ASSERT_EQ(optargU, ref.optarg) << "round " << round;
            ASSERT_EQ(optoptU, ref.optopt) << "round " << round;
        }
    }
}

// The classic cases: the results in order ("=text" for the argument taken)
// and where optindU stops.
TEST(Getopt, ClassicCases) {
    struct Case {
        Vector args;
        std::u16string opts;
        std::string results;
        int32_t index;
    } cases[] = {
        {{u"prog", u"-a", u"-b", u"x", u"file"}, u"ab:", "a b=x -1 -1", 4},
        {{u"prog", u"-abx"}, u"ab:", "a b=x -1", 2},
        {{u"prog", u"-bx", u"-ab", u"y"}, u"ab:", "b=x a b=y -1", 4},
        {{u"prog", u"--", u"-a"}, u"a", "-1", 2},
        {{u"prog", u"-"}, u"a", "-1 -1", 1},
        {{u"prog", u"-z"}, u"a", "? -1", 2},
        {{u"prog", u"-b"}, u"b:", "? -1", 2},
        {{u"prog", u"-b"}, u":b:", ": -1", 2},
        {{u"prog", u"-:"}, u"a:", "? -1", 2},
        {{u"prog", u"file", u"-a"}, u"a", "-1 -1", 1},
    };
    for (Case &c : cases) {
        Argv v(c.args);
        optindU = 1;
        std::string results;
        for (size_t n = std::count(c.results.begin(), c.results.end(), ' ') + 1; n > 0; --n) {
            const int32_t r = getoptU(static_cast<int32_t>(c.args.size()), v.pointers.data(), c.opts.c_str());
            results += r < 0 ? "-1" : std::string(1, static_cast<char>(r));
            if (r > 0 && r != '?' && r != ':' && optargU) (results += '=') += static_cast<char>(optargU[0]);
            results += n > 1 ? " " : "";
        }
        EXPECT_EQ(results, c.results);
        EXPECT_EQ(optindU, c.index) << c.results;
    }
    EXPECT_EQ(getoptU(2, nullptr, u"a"), -1);
    EXPECT_EQ(getoptU(2, Argv({u"p", u"-a"}).pointers.data(), nullptr), -1);
}

// The messages go to standard error only when opterrU is set and optstring
// does not begin with ':'.
qoru_test::Child messages("messages", [](const std::vector<std::string> &) {
    const auto parse = [](Vector args, const char16_t *opts) {
        Argv v(std::move(args));
        optindU = 1;
        while (getoptU(static_cast<int32_t>(v.args.size()), v.pointers.data(), opts) != -1) {}
    };
    parse({u"prog", u"-z"}, u"a");
    opterrU = 1;
    parse({u"pr\u00f6g", u"-a\u00e9", u"-b"}, u"ab:");
    parse({u"prog", u"-z", u"-b"}, u":b:");
    return 0;
});

TEST(Getopt, MessagesOnStandardError) {
    const qoru_test::ChildResult r = qoru_test::runChild("messages");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(qoru_test::withoutCarriageReturns(r.standardError),
              "pr\xc3\xb6g: illegal option -- \xc3\xa9\npr\xc3\xb6g: option requires an argument -- b\n");
}

}  // namespace
