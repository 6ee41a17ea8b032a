#include "K7QPreviewSql.h"

#include "K7QBldCp932.h"
#include "K7QPreviewQuery.h"
#include "K7QPreviewText.h"

namespace {

// Deeper than any sensible chain of define variables: a cycle.
constexpr int kMaxDepth = 32;

bool IsWordChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}

}  // namespace

K7QPreviewSqlRefusal CK7QPreviewSqlComposer::Compose(std::string_view text, std::string& sql,
                                                     std::string& detail) {
  m_out.clear();
  m_out.reserve(text.size() + 64);
  m_state = State::Normal;
  m_escapeString = false;
  const K7QPreviewSqlRefusal refusal = Feed(text, 0, detail);
  sql = std::move(m_out);
  m_out.clear();
  return refusal;
}

K7QPreviewSqlRefusal CK7QPreviewSqlComposer::Feed(std::string_view text, int depth,
                                                  std::string& detail) {
  if (depth > kMaxDepth) return kSqlCircular;
  for (std::size_t i = 0; i < text.size();) {
    std::size_t end = 0;
    const std::string_view name = K7QPreviewText::ReferenceAt(text, i, end);
    if (!name.empty()) {
      const Value value = m_lookup(std::string(name));
      if (value.command) {
        detail = std::string(name);
        return kSqlCommand;
      }
      K7QPreviewSqlRefusal refusal = kSqlAccepted;
      if (value.trusted) {
        refusal = Feed(value.text, depth + 1, detail);
        if (refusal == kSqlCircular && detail.empty()) detail = std::string(name);
      } else {
        refusal = PutValue(std::string(name), value.text, detail);
      }
      if (refusal != kSqlAccepted) return refusal;
      i = end;
      continue;
    }
    const std::size_t len = K7QCp932::CharLength(text, i);
    if (len == 2) {
      m_out.append(text.substr(i, 2));
    } else {
      Put(text[i]);
    }
    i += len;
  }
  return kSqlAccepted;
}

void CK7QPreviewSqlComposer::Put(char c) {
  switch (m_state) {
    case State::SingleEnd:
      if (c == '\'') {  // a doubled quote inside the literal
        m_state = State::Single;
        m_out += c;
        return;
      }
      m_state = State::Normal;
      break;
    case State::DoubleEnd:
      if (c == '"') {
        m_state = State::Double;
        m_out += c;
        return;
      }
      m_state = State::Normal;
      break;
    default:
      break;
  }
  switch (m_state) {
    case State::Normal:
      if (c == '\'') {
        // E'...' takes backslash escapes; a value inside one needs them doubled.
        const std::size_t n = m_out.size();
        m_escapeString = n > 0 && (m_out[n - 1] == 'E' || m_out[n - 1] == 'e') &&
                         (n == 1 || !IsWordChar(m_out[n - 2]));
        m_state = State::Single;
      } else if (c == '"') {
        m_state = State::Double;
      } else if (c == '-' && !m_out.empty() && m_out.back() == '-') {
        m_state = State::LineComment;
      } else if (c == '*' && !m_out.empty() && m_out.back() == '/') {
        m_state = State::BlockComment;
      }
      break;
    case State::Single:
      if (c == '\'') {
        m_state = State::SingleEnd;
      } else if (c == '\\' && m_escapeString) {
        m_state = State::SingleEscape;
      }
      break;
    case State::SingleEscape:
      m_state = State::Single;
      break;
    case State::Double:
      if (c == '"') m_state = State::DoubleEnd;
      break;
    case State::LineComment:
      if (c == '\n') m_state = State::Normal;
      break;
    case State::BlockComment:
      if (c == '/' && !m_out.empty() && m_out.back() == '*') m_state = State::Normal;
      break;
    default:
      break;
  }
  m_out += c;
}

K7QPreviewSqlRefusal CK7QPreviewSqlComposer::PutValue(const std::string& name,
                                                      const std::string& value,
                                                      std::string& detail) {
  detail = name;
  if (value.find('\0') != std::string::npos) return kSqlNoLiteral;
  if (m_state == State::SingleEnd || m_state == State::DoubleEnd) m_state = State::Normal;
  switch (m_state) {
    case State::Normal: {
      const std::string_view number = K7QPreviewText::Trim(value);
      if (!K7QPreviewText::IsNumber(number)) return kSqlNotANumber;
      // "-" followed by "-5" would open a comment.
      if ((number[0] == '-' || number[0] == '+') && !m_out.empty() &&
          (m_out.back() == '-' || m_out.back() == '+'))
        m_out += ' ';
      m_out.append(number);
      break;
    }
    case State::Single:
      for (std::size_t i = 0; i < value.size();) {
        const std::size_t len = K7QCp932::CharLength(value, i);
        if (len == 1 && value[i] == '\'') m_out += '\'';
        if (len == 1 && value[i] == '\\' && m_escapeString) m_out += '\\';
        m_out.append(value, i, len);
        i += len;
      }
      break;
    case State::Double:
      for (std::size_t i = 0; i < value.size();) {
        const std::size_t len = K7QCp932::CharLength(value, i);
        if (len == 1 && value[i] == '"') m_out += '"';
        m_out.append(value, i, len);
        i += len;
      }
      break;
    default:  // a comment, or right behind an escaping backslash
      return kSqlNoLiteral;
  }
  detail.clear();
  return kSqlAccepted;
}

K7QPreviewSqlRefusal K7QPreviewCheckStatement(std::string& sql) {
  enum class State { Normal, Single, Double, LineComment, BlockComment };
  State state = State::Normal;
  bool first = true;
  for (std::size_t i = 0; i < sql.size();) {
    const char c = sql[i];
    const std::size_t len = K7QCp932::CharLength(sql, i);
    const char next = i + 1 < sql.size() ? sql[i + 1] : '\0';
    switch (state) {
      case State::Single:
        if (c == '\'') state = State::Normal;  // a doubled quote reopens at once
        i += len;
        continue;
      case State::Double:
        if (c == '"') state = State::Normal;
        i += len;
        continue;
      case State::LineComment:
        if (c == '\n') state = State::Normal;
        i += len;
        continue;
      case State::BlockComment:
        if (c == '*' && next == '/') {
          state = State::Normal;
          ++i;
        }
        i += len;
        continue;
      case State::Normal:
        break;
    }
    if (c == '-' && next == '-') {
      state = State::LineComment;
      i += 2;
    } else if (c == '/' && next == '*') {
      state = State::BlockComment;
      i += 2;
    } else if (c == '\'') {
      if (first) return kSqlNotSelect;
      state = State::Single;
      ++i;
    } else if (c == '"') {
      if (first) return kSqlNotSelect;
      state = State::Double;
      ++i;
    } else if (c == ';') {
      if (!K7QPreviewText::Trim(std::string_view(sql).substr(i + 1)).empty()) return kSqlMultiple;
      sql.resize(i);
      break;
    } else if (IsWordChar(c)) {
      std::size_t end = i;
      while (end < sql.size() && IsWordChar(sql[end])) end += K7QCp932::CharLength(sql, end);
      const std::string word = K7QPreviewText::Upper(std::string_view(sql).substr(i, end - i));
      if (first && word != "SELECT") return kSqlNotSelect;
      if (word == "INTO") return kSqlInto;
      first = false;
      i = end;
    } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      ++i;
    } else {
      if (first) return kSqlNotSelect;
      i += len;
    }
  }
  return first ? kSqlNotSelect : kSqlAccepted;
}

long K7QPreviewSqlCode(const std::string& state) {
  struct Rule {
    const char* prefix;
    long code;
  };
  // The first rule whose prefix begins the state wins, so exact states come first.
  static constexpr Rule kRules[] = {
      {"22012", -801}, {"22003", -802}, {"23", -803},    {"08", -900},
      {"28", -900},    {"IM", -900},    {"40001", -912}, {"40P01", -912},
      {"55P03", -912}, {"HYT", -912},   {"42S02", -204}, {"42P01", -204},
      {"42S22", -206}, {"42703", -206}, {"42", -104},    {"37", -104},
  };
  for (const Rule& rule : kRules) {
    if (state.rfind(rule.prefix, 0) == 0) return rule.code;
  }
  return -901;
}
