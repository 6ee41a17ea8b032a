#pragma once

// Shared by the language libraries: a table of numbered strings and a table
// of named layout texts, each entry with its Japanese and English wording.
#include <cstddef>
#include <cstring>

struct K7QLangEntry {
  unsigned id;
  const char* ja;
  const char* en;
};

struct K7QLangNamed {
  const char* key;
  const char* ja;
  const char* en;
};

template <std::size_t N>
const char* K7QLangLookup(const K7QLangEntry (&table)[N], unsigned id, int japanese) {
  for (const auto& e : table) {
    if (e.id == id) return japanese ? e.ja : e.en;
  }
  return nullptr;
}

template <std::size_t N>
const char* K7QLangLookup(const K7QLangNamed (&table)[N], const char* key, int japanese) {
  if (!key) return nullptr;
  for (const auto& e : table) {
    if (std::strcmp(e.key, key) == 0) return japanese ? e.ja : e.en;
  }
  return nullptr;
}

// Every number once, every text in both languages and not empty.
template <std::size_t N>
constexpr bool K7QLangWellFormed(const K7QLangEntry (&table)[N]) {
  for (std::size_t i = 0; i < N; ++i) {
    if (!table[i].ja || !table[i].en || !*table[i].ja || !*table[i].en) return false;
    for (std::size_t j = i + 1; j < N; ++j) {
      if (table[i].id == table[j].id) return false;
    }
  }
  return true;
}

#define K7Q_LANG_EXPORTS(strings, texts)                                                        \
  static_assert(K7QLangWellFormed(strings), "each string number once, in both languages");      \
  extern "C" __attribute__((visibility("default"))) const char* K7QLangString(unsigned id,       \
                                                                              int ja) {         \
    return K7QLangLookup(strings, id, ja);                                                      \
  }                                                                                             \
  extern "C" __attribute__((visibility("default"))) const char* K7QLangText(const char* key,    \
                                                                            int ja) {           \
    return K7QLangLookup(texts, key, ja);                                                       \
  }
