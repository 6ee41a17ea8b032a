#include "K7QBldDDStrings.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include "K7QBldContext.h"
#include "K7QBldPageObject.h"

namespace {
constexpr unsigned kIdsNoText = 62398;
}  // namespace

CK7QBldDDStrings::CK7QBldDDStrings(CK7QBldContext& context, const CK7QBldMacro& macro,
                                   CK7QBldDDData& data, QWidget* parent)
    : CK7QBldDDPage(context, macro, data, kPageObjectText, kId, parent) {
  m_text = new QLineEdit(this);
  m_text->setObjectName(QString::number(kIdText));
  auto* label = new QLabel(m_context.Text("object.text", "Show the te&xt:"), this);
  label->setBuddy(m_text);
  Grid()->addWidget(label, kFirstOwnRow, 0);
  Grid()->addWidget(m_text, kFirstOwnRow, 1);
}

bool CK7QBldDDStrings::ReadReplacement(QString& replacement) {
  replacement = m_text->text();
  if (replacement.isEmpty()) {
    Message(kIdsNoText);
    return false;
  }
  return true;
}
