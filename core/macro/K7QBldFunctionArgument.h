#pragma once

#include <string>
#include <vector>

#include "K7QBldGroceries.h"

// The argument values the author last entered for the functions of one
// library, by the function's identity (its ordinal in the library). Kept in
// memory only.
class CK7QBldFunctionArgument {
 public:
  explicit CK7QBldFunctionArgument(const CK7QBldGroceries* groceries = nullptr)
      : m_groceries(groceries) {}

  // Appends an entry with a copy of `values` (an empty list stores the
  // identity without values). Index, -1 on a memory shortage (reported).
  int Add(unsigned identity, const K7QStringList& values);
  // Empties `values` and copies in those of the first entry of `identity`;
  // the count, 0 when there is none.
  int Get(unsigned identity, K7QStringList& values) const;
  // Replaces the values of the first entry of `identity`; nothing when there is none.
  void Replace(unsigned identity, const K7QStringList& values);
  int CountValues(unsigned identity) const;
  // Whether an entry of `identity` exists (it may hold no values): the
  // values entered next replace it rather than add one that Get never finds.
  bool Has(unsigned identity) const { return FindEntry(identity) != nullptr; }
  int GetCount() const { return static_cast<int>(m_entries.size()); }
  void RemoveAll() { m_entries.clear(); }

 private:
  struct Entry {
    unsigned identity;
    K7QStringList values;
  };
  const Entry* FindEntry(unsigned identity) const;

  const CK7QBldGroceries* m_groceries = nullptr;
  std::vector<Entry> m_entries;
};
