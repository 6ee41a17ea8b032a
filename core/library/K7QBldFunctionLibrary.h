#pragma once

#include <string>
#include <vector>

#include "K7QBldGroceries.h"
#include "K7QBldLibraryLines.h"

// A function of a library as the function page lists it.
struct K7QLibraryFunctionItem {
  unsigned identity = 0;  // the number of functions listed before it
  std::string name;
  std::string description;
};

// The details of one library function, as the function page holds them for
// the selected function and hands them to the argument dialog.
struct CK7QBldLibraryFunction {
  std::string name;
  std::string description;
  bool variable = false;  // takes a variable number of arguments
  K7QStringList comments;
  K7QStringList parameters;
  K7QStringList arguments;  // "type:name:description" lines (backslash escapes a colon)
  K7QStringList values;     // the argument values stored for it

  // The argument names: the second field of each argument line that
  // splits into three fields.
  K7QStringList ArgumentNames() const;
};

// The function library format: blocks opened by a line holding "Function{"
// and made of sections ("Comment{", "Parameter{", "Argv{", or "ArgvN{" for
// a variable number of arguments), each closed by a line holding "}". A
// line of two fields ("name:description", a backslash escapes a colon)
// outside the other sections names the function.
class CK7QBldFunctionLibrary {
 public:
  // Appends a list entry for every name line of the file; the number of
  // lines read, or -1 when there is no such file (or no path). A file that
  // cannot be read throws CK7QBldFileException, and `items` keeps what was
  // read before.
  static int ReadList(const std::string& path, std::vector<K7QLibraryFunctionItem>& items,
                      K7QLibraryCounts* counts = nullptr);
  // Loads the block that begins at the (identity+1)-th "Function{" line into
  // `function` (its name, description, flag and lines; the stored values are
  // left alone). False when the file is missing or has no such block.
  // Throws as ReadList.
  static bool ReadDetails(const std::string& path, unsigned identity,
                          CK7QBldLibraryFunction& function, K7QLibraryCounts* counts = nullptr);
  // Whether the file holds a "Function{" line at all (so that a tool can
  // tell the two library formats apart). Throws as ReadList.
  static bool HoldsFunctions(const std::string& path);
};
