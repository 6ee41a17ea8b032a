#include "K7QBldFunctionArgument.h"

#include <new>

int CK7QBldFunctionArgument::Add(unsigned identity, const K7QStringList& values) {
  try {
    m_entries.push_back({identity, values});
    return GetCount() - 1;
  } catch (const std::bad_alloc& e) {
    if (m_groceries) m_groceries->ReportMemoryException(e, __FILE__, __LINE__);
    return -1;
  }
}

const CK7QBldFunctionArgument::Entry* CK7QBldFunctionArgument::FindEntry(unsigned identity) const {
  for (const Entry& entry : m_entries) {
    if (entry.identity == identity) return &entry;
  }
  return nullptr;
}

int CK7QBldFunctionArgument::Get(unsigned identity, K7QStringList& values) const {
  values.clear();
  const Entry* entry = FindEntry(identity);
  if (!entry) return 0;
  try {
    values = entry->values;
  } catch (const std::bad_alloc& e) {
    if (m_groceries) m_groceries->ReportMemoryException(e, __FILE__, __LINE__);
    values.clear();
    return 0;
  }
  return static_cast<int>(values.size());
}

void CK7QBldFunctionArgument::Replace(unsigned identity, const K7QStringList& values) {
  Entry* entry = const_cast<Entry*>(FindEntry(identity));
  if (!entry) return;
  try {
    K7QStringList copy = values;
    entry->values.swap(copy);
  } catch (const std::bad_alloc& e) {
    if (m_groceries) m_groceries->ReportMemoryException(e, __FILE__, __LINE__);
  }
}

int CK7QBldFunctionArgument::CountValues(unsigned identity) const {
  const Entry* entry = FindEntry(identity);
  return entry ? static_cast<int>(entry->values.size()) : 0;
}
