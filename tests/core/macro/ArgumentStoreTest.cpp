#include <gtest/gtest.h>

#include "K7QBldFunctionArgument.h"
#include "K7QBldStack.h"
#include "K7QTestSupport.h"

namespace {

TEST(ArgumentStore, AddGetReplaceCount) {
  CK7QBldFunctionArgument store;
  EXPECT_EQ(store.Add(3, {"x", "", "z"}), 0);
  EXPECT_EQ(store.Add(7, {"a"}), 1);
  EXPECT_EQ(store.CountValues(3), 3);
  EXPECT_EQ(store.CountValues(7), 1);
  EXPECT_EQ(store.CountValues(4), 0);

  K7QStringList values = {"stale"};
  EXPECT_EQ(store.Get(3, values), 3);
  EXPECT_EQ(values, (K7QStringList{"x", "", "z"}));
  // A function without stored values leaves the out list empty, not stale.
  EXPECT_EQ(store.Get(4, values), 0);
  EXPECT_TRUE(values.empty());

  store.Replace(3, {"q"});
  EXPECT_EQ(store.Get(3, values), 1);
  EXPECT_EQ(values, K7QStringList{"q"});
  store.Replace(99, {"never"});
  EXPECT_EQ(store.GetCount(), 2);
  EXPECT_EQ(store.CountValues(99), 0);
}

TEST(ArgumentStore, EmptyListStoresTheIdentity) {
  CK7QBldFunctionArgument store;
  EXPECT_EQ(store.Add(5, {}), 0);
  EXPECT_EQ(store.CountValues(5), 0);
  // The entry exists, so Replace finds it.
  store.Replace(5, {"v"});
  EXPECT_EQ(store.CountValues(5), 1);
}

TEST(ArgumentStore, FirstEntryOfAnIdentityWins) {
  CK7QBldFunctionArgument store;
  store.Add(1, {"first"});
  store.Add(1, {"second", "entry"});
  K7QStringList values;
  EXPECT_EQ(store.Get(1, values), 1);
  EXPECT_EQ(values, K7QStringList{"first"});
  store.Replace(1, {"r"});
  store.Get(1, values);
  EXPECT_EQ(values, K7QStringList{"r"});
  store.RemoveAll();
  EXPECT_EQ(store.CountValues(1), 0);
}

TEST(ValueStack, TopIsPositionZero) {
  CK7QBldStack stack;
  stack.Push(3);
  stack.Push(4);
  stack.Push(5);
  EXPECT_EQ(stack.Peek(), 5);
  EXPECT_EQ(stack.Peek(1), 4);
  EXPECT_EQ(stack.Peek(2), 3);
  // Past the end and on an empty stack: 0.
  EXPECT_EQ(stack.Peek(3), 0);
  EXPECT_EQ(stack.Peek(-1), 0);
  EXPECT_EQ(stack.Pop(), 5);
  EXPECT_EQ(stack.Pop(), 4);
  EXPECT_EQ(stack.Pop(), 3);
  EXPECT_EQ(stack.Pop(), 0);
  EXPECT_TRUE(stack.IsEmpty());
}

}  // namespace
