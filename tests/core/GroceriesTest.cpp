#include <gtest/gtest.h>
#include "K7QTestSupport.h"
TEST(Placeholder, Builds) { SUCCEED(); }
