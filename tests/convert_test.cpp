#include <gtest/gtest.h>

#include "qorucum.h"

TEST(Placeholder, convert) { SUCCEED(); }
