#pragma once

#include <string>

#include "K7QBldFile.h"

// Makes the file layer's system calls fail on demand. While an instance
// lives it counts every call by kind; a test asks it to fail the Nth call
// of one kind, or every call of a kind on paths that contain a text. One
// instance at a time (the layer has one hook).
class CK7QFaults {
 public:
  CK7QFaults();
  ~CK7QFaults();
  CK7QFaults(const CK7QFaults&) = delete;
  CK7QFaults& operator=(const CK7QFaults&) = delete;

  // The `nth` call of `call` from now on (1 is the next one) fails with `err`.
  void FailNth(K7QFile::Call call, int nth, int err = EIO);
  // Every call of `call` on a path containing `pathPart` fails with `err`.
  void FailPath(K7QFile::Call call, const std::string& pathPart, int err = EIO);
  // Calls on paths that contain `pathPart` are neither counted nor failed.
  void Exempt(const std::string& pathPart);
  // No more failures and no exemption; counts start again from zero.
  void Clear();

  int Count(K7QFile::Call call) const;
  // Whether an injected failure happened, and on which path (the last one).
  bool Fired() const;
  const std::string& FiredPath() const;
};

// All kinds of calls, for walks over every failure point.
inline constexpr K7QFile::Call kK7QAllCalls[] = {
    K7QFile::Call::Open,  K7QFile::Call::Read,   K7QFile::Call::Write,  K7QFile::Call::Sync,
    K7QFile::Call::Close, K7QFile::Call::Rename, K7QFile::Call::Unlink, K7QFile::Call::Stat,
    K7QFile::Call::List,  K7QFile::Call::Mode};

const char* K7QCallName(K7QFile::Call call);
