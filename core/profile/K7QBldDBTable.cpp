#include "K7QBldDBTable.h"

#include "K7QBldGroceries.h"

const CK7QBldProfileColumn* CK7QBldDBTable::FindColumn(std::string_view column) const {
  for (const auto& c : m_columns) {
    if (CK7QBldGroceries::EqualNoCase(c.m_column, column)) return &c;
  }
  return nullptr;
}
