// getoptU against a plain reference on random vectors (restarted through
// optindU, sometimes in the middle of a group), one hand-checked vector, and
// the messages on standard error in a child process.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "child.h"
#include "getopt_reference.h"
#include "random_units.h"

namespace {

using Vector = std::vector<std::u16string>;

// Keeps a vector and its pointer array alive; the array ends with a null.
struct Argv {
    Vector args;
    std::vector<charU16 *> pointers;
    explicit Argv(Vector v) : args(std::move(v)) {
        for (auto &a : args) pointers.push_back(a.data());
        pointers.push_back(nullptr);
    }
    int32_t argc() const { return static_cast<int32_t>(args.size()); }
};

std::u16string randomArgument(qoru_test::UnitSource &rnd) {
    static const char16_t *const whole[] = {u"word", u"--", u"-"};
    if (rnd.chance(37)) return whole[rnd.below(3)];
    std::u16string s = u"-";
    for (size_t n = 1 + rnd.below(4); n > 0; --n) s += u"abcx:-\u00e9"[rnd.below(7)];
    return s;
}

TEST(Getopt, RandomVectorsMatchTheReference) {
    qoru_test::UnitSource rnd(20261206);
    std::deque<Argv> kept;  // a restart never meets an old vector at a reused address
    int32_t argc = 0, start = 1;
    size_t calls = 0;
    for (int round = 0; round < 4000; ++round) {
        // A restart at index 1 or 2, of the same vector or of a new one, but
        // not where the last round stopped inside a group: that group goes on.
        const bool stoppedEarly = calls < 12;
        start = 1 + static_cast<int32_t>(rnd.below(2));
        if (round == 0 || !rnd.chance(30) || stoppedEarly) {
            Vector args{u"prog"};
            for (size_t n = rnd.below(6); n > 0; --n) args.push_back(randomArgument(rnd));
            Argv &v = kept.emplace_back(args);
            if (rnd.chance(10) && args.size() > 1) v.pointers[1 + rnd.below(args.size() - 1)] = nullptr;
            // argc may claim more than the vector holds: the null entry ends it.
            argc = v.argc() + static_cast<int32_t>(rnd.below(3)) - 1;
        }
        std::u16string opts = rnd.chance(25) ? u":" : u"";
        for (size_t n = rnd.below(5); n > 0; --n) (opts += u"abc-\u00e9"[rnd.below(5)]) += rnd.chance(40) ? u":" : u"";
        calls = rnd.chance(20) ? rnd.below(3) : 12;
        ASSERT_TRUE(qoru_test::getoptAgrees(argc, kept.back().pointers.data(), opts, start, calls)) << "round " << round;
    }
}

// The results in order ("=x" for the argument taken) and where optindU stops.
TEST(Getopt, HandCheckedVector) {
    Argv v({u"prog", u"-abx", u"-b", u"y", u"-z", u"-a-", u"--", u"-a"});
    optindU = 1;
    std::string results;
    for (int n = 0; n < 7; ++n) {
        const int32_t r = getoptU(v.argc(), v.pointers.data(), u"ab:");
        results += r < 0 ? "-1" : std::string(1, static_cast<char>(r));
        if (r == 'b') (results += '=') += static_cast<char>(optargU[0]);
        results += ' ';
    }
    EXPECT_EQ(results, "a b=x b=y ? a ? -1 ");
    EXPECT_EQ(optindU, 7);
    EXPECT_EQ(getoptU(2, nullptr, u"a"), -1);
    EXPECT_EQ(getoptU(2, v.pointers.data(), nullptr), -1);
}

// The messages go to standard error only when opterrU is set and optstring
// does not begin with ':'.
qoru_test::Child messages("messages", [](const std::vector<std::string> &) {
    const auto parse = [](Vector args, const char16_t *opts) {
        Argv v(std::move(args));
        optindU = 1;
        while (getoptU(v.argc(), v.pointers.data(), opts) != -1) {}
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
