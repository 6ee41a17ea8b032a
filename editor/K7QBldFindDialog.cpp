#include "K7QBldFindDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

CK7QBldFindDialog::CK7QBldFindDialog(bool replace, QWidget* parent)
    : QDialog(parent), m_replace(replace) {
  setWindowTitle(replace ? QStringLiteral("置換") : QStringLiteral("検索"));
  setModal(false);

  auto* fields = new QGridLayout;
  m_findWhat = new QLineEdit(this);
  m_findWhat->setObjectName(QStringLiteral("findWhat"));
  auto* findLabel = new QLabel(QStringLiteral("検索する文字列(&N):"), this);
  findLabel->setBuddy(m_findWhat);
  fields->addWidget(findLabel, 0, 0);
  fields->addWidget(m_findWhat, 0, 1);
  if (replace) {
    m_replaceWith = new QLineEdit(this);
    m_replaceWith->setObjectName(QStringLiteral("replaceWith"));
    auto* replaceLabel = new QLabel(QStringLiteral("置換後の文字列(&P):"), this);
    replaceLabel->setBuddy(m_replaceWith);
    fields->addWidget(replaceLabel, 1, 0);
    fields->addWidget(m_replaceWith, 1, 1);
  }

  m_wholeWord = new QCheckBox(QStringLiteral("単語単位で探す(&W)"), this);
  m_wholeWord->setObjectName(QStringLiteral("wholeWord"));
  m_matchCase = new QCheckBox(QStringLiteral("大文字と小文字を区別する(&C)"), this);
  m_matchCase->setObjectName(QStringLiteral("matchCase"));
  auto* checks = new QVBoxLayout;
  checks->addWidget(m_wholeWord);
  checks->addWidget(m_matchCase);

  auto* options = new QHBoxLayout;
  options->addLayout(checks);
  if (!replace) {
    auto* direction = new QGroupBox(QStringLiteral("方向"), this);
    m_up = new QRadioButton(QStringLiteral("上へ(&U)"), direction);
    m_down = new QRadioButton(QStringLiteral("下へ(&D)"), direction);
    m_down->setChecked(true);
    auto* directionLayout = new QHBoxLayout(direction);
    directionLayout->addWidget(m_up);
    directionLayout->addWidget(m_down);
    options->addWidget(direction);
  }

  auto* left = new QVBoxLayout;
  left->addLayout(fields);
  left->addLayout(options);
  left->addStretch();

  m_findNext = new QPushButton(QStringLiteral("次を検索(&F)"), this);
  m_findNext->setObjectName(QStringLiteral("findNext"));
  m_findNext->setDefault(true);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(m_findNext);
  if (replace) {
    m_replaceButton = new QPushButton(QStringLiteral("置換して次に(&R)"), this);
    m_replaceButton->setObjectName(QStringLiteral("replace"));
    m_replaceAll = new QPushButton(QStringLiteral("すべて置換(&A)"), this);
    m_replaceAll->setObjectName(QStringLiteral("replaceAll"));
    buttons->addWidget(m_replaceButton);
    buttons->addWidget(m_replaceAll);
    connect(m_replaceButton, &QPushButton::clicked, this, &CK7QBldFindDialog::Replace);
    connect(m_replaceAll, &QPushButton::clicked, this, &CK7QBldFindDialog::ReplaceAll);
  }
  auto* cancel = new QPushButton(QStringLiteral("キャンセル"), this);
  buttons->addWidget(cancel);
  buttons->addStretch();
  connect(m_findNext, &QPushButton::clicked, this, &CK7QBldFindDialog::FindNext);
  connect(cancel, &QPushButton::clicked, this, &QDialog::close);
  connect(m_findWhat, &QLineEdit::textChanged, this, &CK7QBldFindDialog::UpdateButtons);

  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left, 1);
  layout->addLayout(buttons);
  UpdateButtons();
}

SK7QFindOptions CK7QBldFindDialog::Options() const {
  SK7QFindOptions options;
  options.text = m_findWhat->text();
  if (m_replaceWith) options.replacement = m_replaceWith->text();
  options.matchCase = m_matchCase->isChecked();
  options.wholeWord = m_wholeWord->isChecked();
  options.forward = !m_up || !m_up->isChecked();
  return options;
}

void CK7QBldFindDialog::SetOptions(const SK7QFindOptions& options) {
  m_findWhat->setText(options.text);
  if (m_replaceWith) m_replaceWith->setText(options.replacement);
  m_matchCase->setChecked(options.matchCase);
  m_wholeWord->setChecked(options.wholeWord);
  if (m_up) (options.forward ? m_down : m_up)->setChecked(true);
  m_findWhat->selectAll();
}

void CK7QBldFindDialog::SetReadOnly(bool readOnly) {
  m_readOnly = readOnly;
  UpdateButtons();
}

void CK7QBldFindDialog::UpdateButtons() {
  const bool any = !m_findWhat->text().isEmpty();
  m_findNext->setEnabled(any);
  if (m_replaceButton) m_replaceButton->setEnabled(any && !m_readOnly);
  if (m_replaceAll) m_replaceAll->setEnabled(any && !m_readOnly);
}
