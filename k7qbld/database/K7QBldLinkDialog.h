#pragma once

#include <QDialog>
#include <string>

class QComboBox;
class QLineEdit;
struct CK7QBldContext;

// Dialog 204: the address around a column's sample text when it becomes a
// link, as a prefix (a scheme picked from the list or typed) and a suffix.
class CK7QBldLinkDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kIdPrefix = 1410;
  static constexpr int kIdSuffix = 1411;
  static constexpr int kIdOk = 1;
  static constexpr int kIdCancel = 2;

  // `prefix` and `suffix` are CP932 text.
  CK7QBldLinkDialog(CK7QBldContext& context, const std::string& prefix, const std::string& suffix,
                    QWidget* parent = nullptr);

  const std::string& Prefix() const { return m_prefix; }
  const std::string& Suffix() const { return m_suffix; }
  // The schemes the prefix list offers, in order.
  static QStringList Schemes();

  void accept() override;

 private:
  CK7QBldContext& m_context;
  QComboBox* m_prefixBox;
  QLineEdit* m_suffixBox;
  std::string m_prefix;
  std::string m_suffix;
};
