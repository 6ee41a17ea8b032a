#pragma once

#include <cstdint>
#include <vector>

class CK7QBldGroceries;

// A stack of small values (block codes of the macro readers); the top is
// position 0.
class CK7QBldStack {
 public:
  explicit CK7QBldStack(const CK7QBldGroceries* groceries = nullptr) : m_groceries(groceries) {}

  // A memory shortage is reported and the value not pushed.
  void Push(std::int16_t value);
  // The top value, removed; 0 on an empty stack.
  std::int16_t Pop();
  // The value at `position` from the top; 0 past the end.
  std::int16_t Peek(int position = 0) const;
  int GetCount() const { return static_cast<int>(m_values.size()); }
  bool IsEmpty() const { return m_values.empty(); }
  void RemoveAll() { m_values.clear(); }

 private:
  const CK7QBldGroceries* m_groceries = nullptr;
  std::vector<std::int16_t> m_values;  // the top is the last element
};
