#include <gtest/gtest.h>

#include "accounts/UserAccount.h"

TEST(PasswordSum, SignedBytes) { EXPECT_EQ(brivanta::passwordSum("abc"), 294); }
