#include "K7QBldContext.h"

#include "K7QBldCp932.h"

QString K7QFromCp932(const std::string& bytes) {
  return QString::fromStdString(K7QCp932::ToUtf8(bytes));
}

bool K7QToCp932(const QString& text, std::string& bytes) {
  return K7QCp932::FromUtf8(text.toStdString(), bytes);
}
