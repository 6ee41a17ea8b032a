#include "K7QBldPageDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "K7QBldContext.h"
#include "K7QBldFile.h"
#include "K7QBldFrame.h"
#include "K7QBldHTMLBlock.h"
#include "K7QBldMacro.h"

CK7QBldPageDialog::CK7QBldPageDialog(CK7QBldContext& context, IK7QBldFrame& frame, int side,
                                     int itemCode, QWidget* parent)
    : QWidget(parent), m_context(context), m_frame(frame), m_side(side), m_itemCode(itemCode) {
  setObjectName(side == kHtmlInput ? QStringLiteral("inputPage") : QStringLiteral("reportPage"));
  auto* layout = new QVBoxLayout(this);
  auto* title = new QLabel(side == kHtmlInput ? m_context.Text("page.input", "Input page")
                                              : m_context.Text("page.report", "Report page"),
                           this);
  QFont bold = title->font();
  bold.setBold(true);
  bold.setPointSize(bold.pointSize() + 2);
  title->setFont(bold);
  layout->addWidget(title);
  auto* help = new QLabel(
      side == kHtmlInput ? m_context.Text("page.input.help") : m_context.Text("page.report.help"),
      this);
  help->setWordWrap(true);
  layout->addWidget(help);
  m_path = new QLabel(this);
  m_path->setObjectName(QStringLiteral("path"));
  m_path->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(m_path);
  m_preview = new QPlainTextEdit(this);
  m_preview->setObjectName(QStringLiteral("preview"));
  m_preview->setReadOnly(true);
  m_preview->setLineWrapMode(QPlainTextEdit::NoWrap);
  layout->addWidget(m_preview, 1);

  auto* row = new QHBoxLayout;
  m_editButton = new QPushButton(m_context.Text("page.edit", "&Edit in Page Editor"), this);
  m_editButton->setObjectName(QString::number(kIdEdit));
  row->addWidget(m_editButton);
  row->addStretch(1);
  auto* previous = new QPushButton(m_context.Text("button.previous", "< &Back"), this);
  previous->setObjectName(QString::number(kIdPrevious));
  auto* next = new QPushButton(m_context.Text("button.next", "&Next >"), this);
  next->setObjectName(QString::number(kIdNext));
  row->addWidget(previous);
  row->addWidget(next);
  layout->addLayout(row);
  connect(m_editButton, &QPushButton::clicked, this, &CK7QBldPageDialog::OnEdit);
  connect(previous, &QPushButton::clicked, this,
          [this] { m_context.groceries.SelectPreviousObject(); });
  connect(next, &QPushButton::clicked, this, [this] { m_context.groceries.SelectNextObject(); });
  ShowPage();
}

QString CK7QBldPageDialog::PagePath() const {
  CK7QBldMacro& macro = m_frame.Macro();
  const CK7QBldHTMLBlock& block = m_side == kHtmlInput ? macro.Input() : macro.Report();
  if (!block.PagePath().empty()) return K7QFromPath(block.PagePath());
  if (!macro.Profile().IsLoaded()) return {};
  return K7QFromPath(
      CK7QBldHTMLBlock::PageName(macro.Profile().ProfileFolder(), m_frame.MacroTitle(), m_side));
}

void CK7QBldPageDialog::ShowPage() {
  const QString path = PagePath();
  m_editButton->setEnabled(!path.isEmpty());
  if (path.isEmpty()) {
    m_path->setText(
        m_context.Text("page.noprofile", "Open a profile first: the page lives in its folder."));
    m_preview->clear();
    return;
  }
  m_path->setText(path);
  std::string bytes;
  try {
    if (K7QFile::Exists(K7QToPath(path))) bytes = K7QFile::ReadAll(K7QToPath(path));
  } catch (const CK7QBldFileException&) {
    // The preview only shows what can be read; editing reports file errors itself.
  }
  m_preview->setPlainText(K7QFromCp932(bytes));
}

bool CK7QBldPageDialog::OnEdit() {
  const QString path = PagePath();
  if (path.isEmpty()) return false;
  // One page editor at a time: the one running is closed (its page
  // converted) or left before the side panel makes room for the next.
  if (!m_frame.ConfirmPageEditorClosed(false)) return false;
  CK7QBldMacro& macro = m_frame.Macro();
  CK7QBldHTMLBlock& block = m_side == kHtmlInput ? macro.Input() : macro.Report();
  if (block.PagePath().empty()) block.Set(block.Comment(), K7QToPath(path));
  const std::string page = K7QToPath(path);
  // A page the author has not made yet starts empty.
  try {
    if (!K7QFile::Exists(page)) K7QFile::WriteAll(page, "");
  } catch (const CK7QBldFileException& e) {
    m_context.groceries.ReportFileException(e, __FILE__, __LINE__);
    return false;
  }
  // The builder-made functions come back into the page as loops when the
  // frame prepares it for editing (calls become loops between markers).
  m_frame.CollapseSidePanel();
  m_frame.CopyLargeObjectFiles(path);
  if (!m_frame.EditPage(m_itemCode, path)) {
    m_frame.ExpandSidePanel();
    return false;
  }
  return true;
}
