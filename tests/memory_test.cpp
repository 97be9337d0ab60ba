#include <gtest/gtest.h>

#include "qorucum.h"

TEST(Placeholder, memory) { SUCCEED(); }
