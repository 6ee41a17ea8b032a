#include "K7QBldDDBackGround.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>

#include "K7QBldBitmapButton.h"
#include "K7QBldColorButton.h"
#include "K7QBldContext.h"
#include "K7QBldMacro.h"

namespace {

constexpr unsigned kIdsNoImagePath = 62395;
constexpr unsigned kIdsNoColor = 62397;
constexpr unsigned kIdsBadColor = 62400;

QString HtmlColor(std::uint32_t rgb) { return QString::asprintf("#%06X", rgb & 0xFFFFFF); }

}  // namespace

CK7QBldDDBackground::CK7QBldDDBackground(CK7QBldContext& context, const CK7QBldMacro& macro,
                                         CK7QBldDDData& data, std::uint32_t& color, QWidget* parent)
    : CK7QBldDDPage(context, macro, data, kPageObjectBackground, kId, parent), m_color(color) {
  m_useColor = new QRadioButton(m_context.Text("object.usecolor", "&Colour:"), this);
  m_useColor->setObjectName(QString::number(kIdUseColor));
  m_useImage = new QRadioButton(m_context.Text("object.useimage", "&Image:"), this);
  m_useImage->setObjectName(QString::number(kIdUseImage));
  m_swatch = new CK7QBldColorButton(this);
  m_swatch->setObjectName(QString::number(kIdSwatch));
  m_swatch->setFixedSize(48, 24);
  m_swatch->SetPickOnClick(true);
  m_colorButton = new CK7QBldBitmapButton(this);
  m_colorButton->setObjectName(QString::number(kIdColorButton));
  m_colorEdit = new QLineEdit(this);
  m_colorEdit->setObjectName(QString::number(kIdColor));
  m_imagePath = new QLineEdit(this);
  m_imagePath->setObjectName(QString::number(kIdImagePath));
  m_browseButton = new QPushButton(m_context.Text("object.browse", "&Browse..."), this);
  m_browseButton->setObjectName(QString::number(kIdBrowse));
  m_preview = new CK7QBldPreviewButton(this);
  m_preview->setObjectName(QString::number(kIdPreview));

  QGridLayout* grid = Grid();
  auto* colorRow = new QHBoxLayout;
  colorRow->addWidget(m_colorEdit, 1);
  colorRow->addWidget(m_swatch);
  colorRow->addWidget(m_colorButton);
  grid->addWidget(m_useColor, kFirstOwnRow, 0);
  grid->addLayout(colorRow, kFirstOwnRow, 1);
  grid->addWidget(m_useImage, kFirstOwnRow + 1, 0);
  grid->addWidget(m_imagePath, kFirstOwnRow + 1, 1);
  grid->addWidget(m_browseButton, kFirstOwnRow + 1, 2);
  grid->addWidget(m_preview, kFirstOwnRow + 2, 1, 1, 2);

  SetColor(m_color);
  m_colorEdit->setText(HtmlColor(m_color));
  m_useColor->setChecked(true);
  UseImage(false);

  connect(m_swatch, &CK7QBldColorButton::ColorChanged, this, [this](std::uint32_t bgr) {
    // A colour picked in the dialog (not one the text set) becomes the text.
    if (m_settingColor) return;
    const std::uint32_t rgb = CK7QBldGroceries::SwapRedBlue(bgr);
    m_color = rgb;
    m_colorValid = true;
    m_colorEdit->setText(HtmlColor(rgb));
  });
  connect(m_colorButton, &QPushButton::clicked, m_swatch, &QPushButton::click);
  connect(m_useColor, &QRadioButton::toggled, this, [this](bool on) { UseImage(!on); });
  connect(m_browseButton, &QPushButton::clicked, this, &CK7QBldDDBackground::OnBrowse);
  m_colorEdit->installEventFilter(this);
  m_imagePath->installEventFilter(this);
}

bool CK7QBldDDBackground::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut) {
    if (watched == m_colorEdit) OnColorEdited();
    if (watched == m_imagePath) OnImagePathEdited();
  }
  return CK7QBldDDPage::eventFilter(watched, event);
}

void CK7QBldDDBackground::UseImage(bool image) {
  m_imagePath->setEnabled(image);
  m_browseButton->setEnabled(image);
  m_colorEdit->setEnabled(!image);
  m_swatch->setEnabled(!image);
  m_colorButton->setEnabled(!image);
}

bool CK7QBldDDBackground::ParseColor(const QString& text, std::uint32_t& rgb) {
  static const QRegularExpression kForm(QStringLiteral("^#[0-9A-F]{6}$"));
  const QString upper = text.trimmed().toUpper();
  if (!kForm.match(upper).hasMatch()) return false;
  rgb = upper.mid(1).toUInt(nullptr, 16);
  return true;
}

void CK7QBldDDBackground::SetColor(std::uint32_t rgb) {
  m_color = rgb;
  m_settingColor = true;
  m_swatch->SetColor(CK7QBldGroceries::SwapRedBlue(rgb));
  m_settingColor = false;
}

bool CK7QBldDDBackground::OnColorEdited() {
  std::uint32_t rgb = 0;
  m_colorValid = ParseColor(m_colorEdit->text(), rgb);
  // The author's text stays in the edit either way.
  SetColor(m_colorValid ? rgb : 0xFFFFFF);
  return m_colorValid;
}

void CK7QBldDDBackground::OnBrowse() {
  const QString path = BrowseImage();
  if (path.isEmpty()) return;
  m_imagePath->setText(path);
  ShowPreview(m_preview, path);
}

void CK7QBldDDBackground::OnImagePathEdited() {
  ShowPreview(m_preview, m_imagePath->text().trimmed());
}

bool CK7QBldDDBackground::ReadReplacement(QString& replacement) {
  if (m_useImage->isChecked()) {
    replacement = m_imagePath->text().trimmed();
    if (replacement.isEmpty()) {
      Message(kIdsNoImagePath);
      return false;
    }
    return true;
  }
  if (m_colorEdit->text().trimmed().isEmpty()) {
    Message(kIdsNoColor);
    return false;
  }
  // The text as it stands now, whether or not the edit has lost the focus since.
  if (!OnColorEdited()) {
    Message(kIdsBadColor);
    return false;
  }
  replacement = HtmlColor(m_color);
  return true;
}
