#include "K7QBldStack.h"

#include <new>

#include "K7QBldGroceries.h"

void CK7QBldStack::Push(std::int16_t value) {
  try {
    m_values.push_back(value);
  } catch (const std::bad_alloc& e) {
    if (m_groceries) m_groceries->ReportMemoryException(e, __FILE__, __LINE__);
  }
}

std::int16_t CK7QBldStack::Pop() {
  if (m_values.empty()) return 0;
  const std::int16_t top = m_values.back();
  m_values.pop_back();
  return top;
}

std::int16_t CK7QBldStack::Peek(int position) const {
  if (position < 0 || position >= GetCount()) return 0;
  return m_values[m_values.size() - 1 - static_cast<std::size_t>(position)];
}
