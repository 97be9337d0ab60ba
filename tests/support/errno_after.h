// errno as a call leaves it, starting from 0: EXPECT_EQ(errnoAfter([] { EXPECT_EQ(f(), -1); }), EINVAL).
#ifndef QORU_TEST_ERRNO_AFTER_H
#define QORU_TEST_ERRNO_AFTER_H

#include <cerrno>

namespace qoru_test {

template <class F>
int errnoAfter(F &&call) {
    errno = 0;
    call();
    return errno;
}

}  // namespace qoru_test

#endif
