#include "K7QFaultInjection.h"

#include <array>
#include <cassert>
#include <cerrno>

namespace {

constexpr std::size_t kCalls = std::size(kK7QAllCalls);

struct FaultState {
  std::array<int, kCalls> counts{};
  // The single numbered failure.
  bool nthArmed = false;
  K7QFile::Call nthCall = K7QFile::Call::Open;
  int nth = 0;
  int nthErr = 0;
  // The failure by path.
  bool pathArmed = false;
  K7QFile::Call pathCall = K7QFile::Call::Open;
  std::string pathPart;
  int pathErr = 0;
  std::string exempt;
  bool fired = false;
  std::string firedPath;
};

FaultState* g_state = nullptr;

int Hook(K7QFile::Call call, const char* path) {
  FaultState& s = *g_state;
  if (!s.exempt.empty() && std::string_view(path).find(s.exempt) != std::string_view::npos)
    return 0;
  const int count = ++s.counts[static_cast<std::size_t>(call)];
  if (s.nthArmed && call == s.nthCall && count == s.nth) {
    s.fired = true;
    s.firedPath = path;
    return s.nthErr;
  }
  if (s.pathArmed && call == s.pathCall &&
      std::string_view(path).find(s.pathPart) != std::string_view::npos) {
    s.fired = true;
    s.firedPath = path;
    return s.pathErr;
  }
  return 0;
}

}  // namespace

CK7QFaults::CK7QFaults() {
  assert(!g_state && "one CK7QFaults at a time");
  g_state = new FaultState;
  K7QFile::SetFaultHook(Hook);
}

CK7QFaults::~CK7QFaults() {
  K7QFile::SetFaultHook(nullptr);
  delete g_state;
  g_state = nullptr;
}

void CK7QFaults::FailNth(K7QFile::Call call, int nth, int err) {
  g_state->nthArmed = true;
  g_state->nthCall = call;
  g_state->nth = g_state->counts[static_cast<std::size_t>(call)] + nth;
  g_state->nthErr = err;
}

void CK7QFaults::FailPath(K7QFile::Call call, const std::string& pathPart, int err) {
  g_state->pathArmed = true;
  g_state->pathCall = call;
  g_state->pathPart = pathPart;
  g_state->pathErr = err;
}

void CK7QFaults::Exempt(const std::string& pathPart) { g_state->exempt = pathPart; }

void CK7QFaults::Clear() { *g_state = FaultState(); }

int CK7QFaults::Count(K7QFile::Call call) const {
  return g_state->counts[static_cast<std::size_t>(call)];
}

bool CK7QFaults::Fired() const { return g_state->fired; }

const std::string& CK7QFaults::FiredPath() const { return g_state->firedPath; }

const char* K7QCallName(K7QFile::Call call) {
  switch (call) {
    case K7QFile::Call::Open:
      return "open";
    case K7QFile::Call::Read:
      return "read";
    case K7QFile::Call::Write:
      return "write";
    case K7QFile::Call::Sync:
      return "fsync";
    case K7QFile::Call::Close:
      return "close";
    case K7QFile::Call::Rename:
      return "rename";
    case K7QFile::Call::Unlink:
      return "unlink";
    case K7QFile::Call::Stat:
      return "stat";
    case K7QFile::Call::List:
      return "list";
    case K7QFile::Call::Mode:
      return "chmod";
  }
  return "?";
}
