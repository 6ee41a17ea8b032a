#include "K7QBldGuidePage.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "K7QBldArtwork.h"
#include "K7QBldContext.h"
#include "K7QBldFrame.h"
#include "K7QBldMacro.h"

namespace {

const char* TextKey(CK7QBldGuidePage::Template which) {
  switch (which) {
    case CK7QBldGuidePage::kStart:
      return "guide.start";
    case CK7QBldGuidePage::kFourth:
      return "guide.fourth";
    case CK7QBldGuidePage::kIntermediate:
      return "guide.intermediate";
    case CK7QBldGuidePage::kFinal:
      return "guide.final";
  }
  return "";
}

}  // namespace

CK7QBldGuidePage::CK7QBldGuidePage(CK7QBldContext& context, IK7QBldFrame& frame, Template which,
                                   QWidget* parent)
    : QWidget(parent), m_context(context), m_frame(frame), m_which(which) {
  setObjectName(QString::number(which));
  auto* layout = new QHBoxLayout(this);
  auto* picture = new QLabel(this);
  picture->setObjectName(QString::number(kIdPicture));
  picture->setPixmap(K7QBldArtwork::Banner(110, 260));
  layout->addWidget(picture, 0, Qt::AlignTop);

  auto* right = new QVBoxLayout;
  const std::string key = TextKey(which);
  auto* title = new QLabel(m_context.Text((key + ".title").c_str()), this);
  QFont bold = title->font();
  bold.setBold(true);
  bold.setPointSize(bold.pointSize() + 3);
  title->setFont(bold);
  right->addWidget(title);
  auto* text = new QLabel(m_context.Text((key + ".text").c_str()), this);
  text->setWordWrap(true);
  text->setObjectName(QStringLiteral("text"));
  right->addWidget(text, 1, Qt::AlignTop);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  auto add = [&](int id, const char* key, const char* fallback) {
    auto* b = new QPushButton(m_context.Text(key, fallback), this);
    b->setObjectName(QString::number(id));
    buttons->addWidget(b);
    return b;
  };
  QPushButton* previous = add(kIdPrevious, "button.previous", "< &Back");
  QPushButton* next = add(kIdNext, "button.next", "&Next >");
  QPushButton* ok = which == kFourth ? nullptr : add(kIdOk, "button.ok", "OK");
  right->addLayout(buttons);
  layout->addLayout(right, 1);

  connect(previous, &QPushButton::clicked, this,
          [this] { m_context.groceries.SelectPreviousObject(); });
  connect(next, &QPushButton::clicked, this, [this] { m_context.groceries.SelectNextObject(); });
  if (ok) {
    connect(ok, &QPushButton::clicked, this, &CK7QBldGuidePage::OnOk);
    ok->setDefault(true);
  }
  if (which == kStart) previous->setEnabled(false);
  if (which == kFinal) next->setEnabled(false);
  if ((which == kStart || which == kIntermediate) && ok) ok->setFocus();
}

QPushButton* CK7QBldGuidePage::Button(int id) const {
  return findChild<QPushButton*>(QString::number(id));
}

void CK7QBldGuidePage::OnOk() {
  if (m_which == kFinal) {
    m_frame.SaveAs();
    return;
  }
  m_context.groceries.SelectNextObject();
}

void CK7QBldGuidePage::keyPressEvent(QKeyEvent* event) {
  // Escape does nothing on the start and intermediate pages.
  if (event->key() == Qt::Key_Escape && (m_which == kStart || m_which == kIntermediate)) {
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}
