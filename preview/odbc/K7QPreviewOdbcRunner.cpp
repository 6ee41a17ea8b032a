#include "K7QPreviewOdbcRunner.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "K7QBldCp932.h"

namespace {

constexpr SQLSMALLINT kMessageBuffer = 1025;
constexpr SQLSMALLINT kNameBuffer = 512;
constexpr std::size_t kPiece = 64 * 1024;
constexpr std::size_t kFirstPiece = 256;

std::string Utf8(const std::string& cp932) {
  std::string utf8;
  K7QCp932::ToUtf8(cp932, utf8);
  return utf8;
}

bool IsAscii(const std::string& text) {
  for (unsigned char c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

// UTF-8 to CP932 through one iconv descriptor kept for the process: values
// come by the thousand, and opening a descriptor costs more than converting.
class CPageConverter {
 public:
  CPageConverter() : m_cd(iconv_open("CP932", "UTF-8")) {}
  ~CPageConverter() {
    if (m_cd != reinterpret_cast<iconv_t>(-1)) iconv_close(m_cd);
  }
  CPageConverter(const CPageConverter&) = delete;
  CPageConverter& operator=(const CPageConverter&) = delete;

  std::string Convert(const std::string& utf8) {
    if (IsAscii(utf8)) return utf8;
    std::lock_guard<std::mutex> lock(m_mutex);
    std::string out;
    out.reserve(utf8.size() + 16);
    if (m_cd == reinterpret_cast<iconv_t>(-1)) return utf8;
    iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(utf8.data());
    std::size_t left = utf8.size();
    char buffer[4096];
    while (left > 0) {
      char* dst = buffer;
      std::size_t room = sizeof buffer;
      const std::size_t rc = iconv(m_cd, &src, &left, &dst, &room);
      out.append(buffer, static_cast<std::size_t>(dst - buffer));
      if (rc != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
      // A character CP932 cannot hold, or a broken sequence: a reference to it.
      const unsigned char c = static_cast<unsigned char>(*src);
      const std::size_t len = c < 0x80         ? 1
                              : (c >> 5) == 6  ? 2
                              : (c >> 4) == 14 ? 3
                              : (c >> 3) == 30 ? 4
                                               : 0;
      if (len == 0 || len > left || errno == EINVAL) {
        out += "&#65533;";
        ++src;
        --left;
        continue;
      }
      unsigned long code = len == 1 ? c : c & (0xFF >> (len + 1));
      for (std::size_t k = 1; k < len; ++k)
        code = code << 6 | (static_cast<unsigned char>(src[k]) & 0x3F);
      out += "&#" + std::to_string(code) + ";";
      src += len;
      left -= len;
    }
    return out;
  }

 private:
  iconv_t m_cd;
  std::mutex m_mutex;
};

CPageConverter& Converter() {
  static CPageConverter converter;
  return converter;
}

void Diagnose(SQLSMALLINT type, SQLHANDLE handle, CK7QPreviewQueryResult& result) {
  SQLCHAR state[6] = {};
  SQLINTEGER native = 0;
  SQLCHAR message[kMessageBuffer] = {};
  SQLSMALLINT length = 0;
  if (SQL_SUCCEEDED(
          ::SQLGetDiagRec(type, handle, 1, state, &native, message, kMessageBuffer, &length))) {
    result.state = reinterpret_cast<const char*>(state);
    const std::size_t n =
        static_cast<std::size_t>(std::min<SQLSMALLINT>(length, kMessageBuffer - 1));
    result.message =
        CK7QPreviewOdbcRunner::ToPageText(std::string(reinterpret_cast<const char*>(message), n));
  } else {
    result.state = "HY000";
  }
}

// Cancels the statement once the time limit has passed, unless it is done
// by then; the fetch loop asks Expired() between rows.
class CWatch {
 public:
  CWatch(SQLHSTMT stmt, unsigned seconds)
      : m_deadline(std::chrono::steady_clock::now() + std::chrono::seconds(seconds)),
        m_thread([this, stmt] {
          std::unique_lock<std::mutex> lock(m_mutex);
          if (!m_cv.wait_until(lock, m_deadline, [this] { return m_done; })) {
            m_fired = true;
            ::SQLCancel(stmt);
          }
        }) {}
  ~CWatch() {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_done = true;
    }
    m_cv.notify_all();
    m_thread.join();
  }
  CWatch(const CWatch&) = delete;
  CWatch& operator=(const CWatch&) = delete;

  bool Expired() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_fired || std::chrono::steady_clock::now() >= m_deadline;
  }

 private:
  std::chrono::steady_clock::time_point m_deadline;
  std::mutex m_mutex;
  std::condition_variable m_cv;
  bool m_done = false;
  bool m_fired = false;
  std::thread m_thread;  // last: the members it uses exist before it starts
};

K7QPreviewColumnKind KindOf(SQLSMALLINT type) {
  switch (type) {
    case SQL_LONGVARCHAR:
    case SQL_WLONGVARCHAR:
      return K7QPreviewColumnKind::LargeText;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
      return K7QPreviewColumnKind::Binary;
    default:
      return K7QPreviewColumnKind::Text;
  }
}

std::string ColumnText(SQLHSTMT stmt, SQLUSMALLINT column, SQLUSMALLINT field) {
  SQLCHAR text[kNameBuffer] = {};
  SQLSMALLINT length = 0;
  if (!SQL_SUCCEEDED(::SQLColAttribute(stmt, column, field, text, kNameBuffer, &length, nullptr)))
    return {};
  return std::string(reinterpret_cast<const char*>(text),
                     static_cast<std::size_t>(std::clamp<SQLSMALLINT>(length, 0, kNameBuffer - 1)));
}

// Reads the whole value of `column` of the current row through `piece` (a
// buffer kept for the whole statement); false after a failure.
bool ReadValue(SQLHSTMT stmt, SQLUSMALLINT column, bool binary, std::string& piece,
               std::string& out) {
  out.clear();
  const SQLSMALLINT cType = binary ? SQL_C_BINARY : SQL_C_CHAR;
  // Some drivers fill the whole buffer given (strncpy): most values are
  // short, so the first piece is small and the next ones grow.
  std::size_t size = kFirstPiece;
  for (;;) {
    SQLLEN indicator = 0;
    const SQLRETURN rc = ::SQLGetData(stmt, column, cType, piece.data(),
                                      static_cast<SQLLEN>(size), &indicator);
    if (rc == SQL_NO_DATA) return true;
    if (!SQL_SUCCEEDED(rc)) return false;
    if (indicator == SQL_NULL_DATA) return true;
    // A character piece ends in a NUL that is not part of the value.
    const std::size_t room = binary ? size : size - 1;
    const std::size_t got = (indicator == SQL_NO_TOTAL || indicator > static_cast<SQLLEN>(room))
                                ? room
                                : static_cast<std::size_t>(indicator);
    out.append(piece.data(), got);
    if (rc == SQL_SUCCESS) return true;
    size = std::min(size * 8, piece.size());
  }
}

}  // namespace

CK7QPreviewOdbcRunner::CK7QPreviewOdbcRunner(std::string dataSource, std::string user,
                                             std::string password)
    : m_dataSource(std::move(dataSource)),
      m_user(std::move(user)),
      m_password(std::move(password)) {}

CK7QPreviewOdbcRunner::~CK7QPreviewOdbcRunner() { Disconnect(); }

std::string CK7QPreviewOdbcRunner::ToPageText(const std::string& utf8) {
  return Converter().Convert(utf8);
}

void CK7QPreviewOdbcRunner::Disconnect() {
  if (m_connected) ::SQLDisconnect(m_dbc);
  if (m_dbc != SQL_NULL_HDBC) ::SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
  if (m_env != SQL_NULL_HENV) ::SQLFreeHandle(SQL_HANDLE_ENV, m_env);
  m_dbc = SQL_NULL_HDBC;
  m_env = SQL_NULL_HENV;
  m_connected = false;
}

bool CK7QPreviewOdbcRunner::Connect(unsigned seconds, CK7QPreviewQueryResult& failure) {
  Disconnect();
  if (!SQL_SUCCEEDED(::SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_env))) {
    m_env = SQL_NULL_HENV;
    failure.state = "HY001";
    return false;
  }
  ::SQLSetEnvAttr(m_env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  if (!SQL_SUCCEEDED(::SQLAllocHandle(SQL_HANDLE_DBC, m_env, &m_dbc))) {
    m_dbc = SQL_NULL_HDBC;
    Diagnose(SQL_HANDLE_ENV, m_env, failure);
    Disconnect();
    return false;
  }
  ::SQLSetConnectAttr(m_dbc, SQL_ATTR_ACCESS_MODE, reinterpret_cast<SQLPOINTER>(SQL_MODE_READ_ONLY),
                      0);
  ::SQLSetConnectAttr(m_dbc, SQL_ATTR_LOGIN_TIMEOUT,
                      reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(seconds)), 0);
  std::string dsn = Utf8(m_dataSource);
  std::string user = Utf8(m_user);
  std::string password = Utf8(m_password);
  const SQLRETURN rc = ::SQLConnect(m_dbc, reinterpret_cast<SQLCHAR*>(dsn.data()), SQL_NTS,
                                    reinterpret_cast<SQLCHAR*>(user.data()), SQL_NTS,
                                    reinterpret_cast<SQLCHAR*>(password.data()), SQL_NTS);
  if (!SQL_SUCCEEDED(rc)) {
    Diagnose(SQL_HANDLE_DBC, m_dbc, failure);
    Disconnect();
    return false;
  }
  m_connected = true;
  // The access mode is a hint that not every driver keeps; where the
  // database has a switch of its own, it is thrown as well.
  SQLCHAR name[kNameBuffer] = {};
  SQLSMALLINT length = 0;
  ::SQLGetInfo(m_dbc, SQL_DBMS_NAME, name, kNameBuffer, &length);
  const std::string dbms(reinterpret_cast<const char*>(name));
  const char* readOnly = nullptr;
  if (dbms == "SQLite") readOnly = "PRAGMA query_only = ON";
  if (dbms == "PostgreSQL") readOnly = "SET SESSION CHARACTERISTICS AS TRANSACTION READ ONLY";
  if (readOnly) {
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    bool done = SQL_SUCCEEDED(::SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &stmt));
    if (done) {
      done = SQL_SUCCEEDED(
          ::SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(readOnly)), SQL_NTS));
      if (!done) Diagnose(SQL_HANDLE_STMT, stmt, failure);
      ::SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    }
    if (!done) {
      // Better no preview than one on a connection that could write.
      Disconnect();
      if (failure.state.empty()) failure.state = "HY000";
      return false;
    }
  }
  return true;
}

bool CK7QPreviewOdbcRunner::Check(unsigned seconds, std::string& state, std::string& message) {
  if (m_connected) return true;
  CK7QPreviewQueryResult failure;
  if (Connect(seconds, failure)) return true;
  state = failure.state;
  message = failure.message;
  return false;
}

CK7QPreviewQueryResult CK7QPreviewOdbcRunner::Run(const std::string& sql,
                                                  const CK7QPreviewLimits& limits) {
  CK7QPreviewQueryResult result;
  if (!m_connected && !Connect(limits.seconds, result)) return result;
  std::string text;
  if (!K7QCp932::ToUtf8(sql, text)) {
    result.state = "22021";  // a byte that is no CP932 character
    return result;
  }
  SQLHSTMT stmt = SQL_NULL_HSTMT;
  if (!SQL_SUCCEEDED(::SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &stmt))) {
    Diagnose(SQL_HANDLE_DBC, m_dbc, result);
    Disconnect();  // the next statement connects afresh
    return result;
  }
  ::SQLSetStmtAttr(stmt, SQL_ATTR_QUERY_TIMEOUT,
                   reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(limits.seconds)), 0);
  {
    CWatch watch(stmt, limits.seconds);
    const SQLRETURN rc = ::SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(text.data()),
                                         static_cast<SQLINTEGER>(text.size()));
    if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
      Diagnose(SQL_HANDLE_STMT, stmt, result);
      result.timeLimitHit = watch.Expired() || result.state == "HYT00" || result.state == "HY008";
    } else {
      result.ok = true;
      SQLSMALLINT count = 0;
      ::SQLNumResultCols(stmt, &count);
      for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(count); ++i) {
        SQLCHAR name[kNameBuffer] = {};
        SQLSMALLINT nameLength = 0;
        SQLSMALLINT type = 0;
        SQLULEN size = 0;
        SQLSMALLINT scale = 0;
        SQLSMALLINT nullable = 0;
        ::SQLDescribeCol(stmt, i, name, kNameBuffer, &nameLength, &type, &size, &scale, &nullable);
        CK7QPreviewColumn column;
        column.name = ToPageText(reinterpret_cast<const char*>(name));
        column.kind = KindOf(type);
        std::string table = ColumnText(stmt, i, SQL_DESC_BASE_TABLE_NAME);
        if (table.empty()) table = ColumnText(stmt, i, SQL_DESC_TABLE_NAME);
        column.table = ToPageText(table);
        result.columns.push_back(std::move(column));
      }
      std::string value;
      std::string piece(kPiece, '\0');
      while (count > 0) {
        if (watch.Expired()) {
          result.timeLimitHit = true;
          break;
        }
        const SQLRETURN fetched = ::SQLFetch(stmt);
        if (fetched == SQL_NO_DATA) break;
        if (!SQL_SUCCEEDED(fetched)) {
          if (watch.Expired()) {
            result.timeLimitHit = true;
            break;
          }
          Diagnose(SQL_HANDLE_STMT, stmt, result);
          result.ok = false;
          break;
        }
        if (result.rows.size() >= limits.rows) {
          result.rowLimitHit = true;
          break;
        }
        std::vector<std::string> row;
        row.reserve(result.columns.size());
        for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(count); ++i) {
          const bool binary = result.columns[i - 1].kind == K7QPreviewColumnKind::Binary;
          if (!ReadValue(stmt, i, binary, piece, value)) {
            Diagnose(SQL_HANDLE_STMT, stmt, result);
            result.ok = false;
            break;
          }
          row.push_back(binary ? value : ToPageText(value));
        }
        if (!result.ok) break;
        result.rows.push_back(std::move(row));
      }
    }
  }
  ::SQLFreeHandle(SQL_HANDLE_STMT, stmt);
  // A lost connection is made again for the next statement.
  if (!result.ok && result.state.rfind("08", 0) == 0) Disconnect();
  return result;
}
