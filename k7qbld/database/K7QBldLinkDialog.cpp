#include "K7QBldLinkDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "K7QBldContext.h"

namespace {

constexpr unsigned kIdsLinkCaption = 62246;
constexpr unsigned kIdsLinkEmpty = 62376;
constexpr unsigned kIdsNotCp932 = 63401;

}  // namespace

QStringList CK7QBldLinkDialog::Schemes() {
  return {QStringLiteral("http://"),   QStringLiteral("mailto:"),   QStringLiteral("ftp://"),
          QStringLiteral("telnet://"), QStringLiteral("gopher://"), QStringLiteral("wais://"),
          QStringLiteral("https://"),  QStringLiteral("nntp:"),     QStringLiteral("news://")};
}

CK7QBldLinkDialog::CK7QBldLinkDialog(CK7QBldContext& context, const std::string& prefix,
                                     const std::string& suffix, QWidget* parent)
    : QDialog(parent), m_context(context), m_prefix(prefix), m_suffix(suffix) {
  setObjectName(QStringLiteral("204"));
  setWindowTitle(m_context.String(kIdsLinkCaption));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  m_prefixBox = new QComboBox(this);
  m_prefixBox->setObjectName(QString::number(kIdPrefix));
  m_prefixBox->setEditable(true);
  m_prefixBox->setInsertPolicy(QComboBox::NoInsert);
  const QString current = K7QFromCp932(prefix);
  QStringList items = Schemes();
  if (!current.isEmpty() && !items.contains(current, Qt::CaseInsensitive)) items << current;
  m_prefixBox->addItems(items);
  m_prefixBox->setEditText(current);
  m_suffixBox = new QLineEdit(K7QFromCp932(suffix), this);
  m_suffixBox->setObjectName(QString::number(kIdSuffix));
  form->addRow(m_context.Text("link.prefix", "URL &prefix:"), m_prefixBox);
  form->addRow(m_context.Text("link.suffix", "URL &suffix:"), m_suffixBox);
  layout->addWidget(new QLabel(m_context.Text("link.help",
                                              "The link is the prefix, the column's value and "
                                              "the suffix, in this order."),
                               this));
  layout->addLayout(form);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QString::number(kIdOk));
  buttons->button(QDialogButtonBox::Cancel)->setObjectName(QString::number(kIdCancel));
  connect(buttons, &QDialogButtonBox::accepted, this, &CK7QBldLinkDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CK7QBldLinkDialog::reject);
  layout->addWidget(buttons);
}

void CK7QBldLinkDialog::accept() {
  std::string prefix;
  std::string suffix;
  if (!K7QToCp932(m_prefixBox->currentText(), prefix) || !K7QToCp932(m_suffixBox->text(), suffix)) {
    m_context.Ui().MessageCaptioned(kIdsLinkCaption, kIdsNotCp932, K7QIcon::Exclamation,
                                    K7QButtons::Ok);
    return;
  }
  prefix = CK7QBldGroceries::Trim(prefix);
  suffix = CK7QBldGroceries::Trim(suffix);
  if (prefix.empty() && suffix.empty()) {
    m_context.Ui().MessageCaptioned(kIdsLinkCaption, kIdsLinkEmpty, K7QIcon::Exclamation,
                                    K7QButtons::Ok);
    return;
  }
  m_prefix = std::move(prefix);
  m_suffix = std::move(suffix);
  QDialog::accept();
}
