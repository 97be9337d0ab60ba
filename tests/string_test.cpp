#include <gtest/gtest.h>

#include "qorucum.h"

TEST(Placeholder, string) { SUCCEED(); }
