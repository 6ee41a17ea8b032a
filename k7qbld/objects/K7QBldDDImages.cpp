#include "K7QBldDDImages.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "K7QBldContext.h"
#include "K7QBldDDBlock.h"

namespace {
constexpr unsigned kIdsNoImagePath = 62395;
constexpr unsigned kIdsBadImageName = 62399;
}  // namespace

CK7QBldDDImages::CK7QBldDDImages(CK7QBldContext& context, const CK7QBldMacro& macro,
                                 CK7QBldDDData& data, QWidget* parent)
    : CK7QBldDDPage(context, macro, data, kPageObjectImage, kId, parent) {
  m_imagePath = new QLineEdit(this);
  m_imagePath->setObjectName(QString::number(kIdImagePath));
  auto* browse = new QPushButton(m_context.Text("object.browse", "&Browse..."), this);
  browse->setObjectName(QString::number(kIdBrowse));
  m_preview = new CK7QBldPreviewButton(this);
  m_preview->setObjectName(QString::number(kIdPreview));
  auto* label = new QLabel(m_context.Text("object.image", "Show the &image:"), this);
  label->setBuddy(m_imagePath);
  Grid()->addWidget(label, kFirstOwnRow, 0);
  Grid()->addWidget(m_imagePath, kFirstOwnRow, 1);
  Grid()->addWidget(browse, kFirstOwnRow, 2);
  Grid()->addWidget(m_preview, kFirstOwnRow + 1, 1, 1, 2);
  connect(browse, &QPushButton::clicked, this, &CK7QBldDDImages::OnBrowse);
}

void CK7QBldDDImages::OnBrowse() {
  const QString path = BrowseImage();
  if (path.isEmpty()) return;
  m_imagePath->setText(path);
  ShowPreview(m_preview, path);
}

bool CK7QBldDDImages::ReadReplacement(QString& replacement) {
  const QString path = m_imagePath->text().trimmed();
  if (path.isEmpty()) {
    Message(kIdsNoImagePath);
    return false;
  }
  // The name in the server's folder is the file's own name.
  const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
  std::string bytes;
  if (!K7QToCp932(name, bytes) || !CK7QBldDDBlock::IsImageFileName(bytes)) {
    Message(kIdsBadImageName);
    return false;
  }
  replacement = name;
  return true;
}
