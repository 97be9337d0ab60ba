// getoptU against a plain reference on random vectors (restarted through optindU, sometimes in the middle of a group),
// and the messages on standard error in a child process.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "child.h"
#include "getopt_reference.h"
#include "random_units.h"

namespace {

using qoru_test::Argv;
using Vector = std::vector<std::u16string>;

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
    qoru_test::GetoptReference ref;
    int32_t argc = 0;
    for (int round = 0; round < 4000; ++round) {
        // A restart at index 1 or 2, of the same vector or of a new one; at
        // the argument whose group the last round stopped in, the group goes on.
        const int32_t start = 1 + static_cast<int32_t>(rnd.below(2));
        if (round == 0 || !rnd.chance(30) || (ref.offset != 0 && ref.index == start)) {
            Vector args{u"prog"};
            for (size_t n = rnd.below(6); n > 0; --n) args.push_back(randomArgument(rnd));
            Argv &v = kept.emplace_back(args);
            if (rnd.chance(10) && args.size() > 1) v.pointers[1 + rnd.below(args.size() - 1)] = nullptr;
            // argc may claim fewer than the vector holds (-1 for "prog" alone), or more: the null entry ends it.
            argc = v.argc() + static_cast<int32_t>(rnd.below(4)) - 2;
        }
        std::u16string opts = rnd.chance(25) ? u":" : u"";
        for (size_t n = rnd.below(5); n > 0; --n) {
            opts += u"abc-\u00e9"[rnd.below(5)];
            if (rnd.chance(40)) opts += u':';
        }
        // Sometimes stop early, perhaps inside a group; at least one call, so that ref ends where getoptU does.
        ref = {start, 0, optargU, optoptU};
        const size_t calls = rnd.chance(20) ? 1 + rnd.below(2) : 12;
        ASSERT_TRUE(qoru_test::getoptAgrees(argc, kept.back().pointers.data(), opts, ref, calls)) << "round " << round;
    }
    EXPECT_EQ(getoptU(2, nullptr, u"a"), -1);
    EXPECT_EQ(getoptU(2, kept.back().pointers.data(), nullptr), -1);
}

// The messages go to standard error only when opterrU is set and optstring does not begin with ':'.
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
