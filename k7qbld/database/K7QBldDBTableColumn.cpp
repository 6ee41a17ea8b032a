#include "K7QBldDBTableColumn.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "K7QBldContext.h"
#include "K7QBldDBTreeCtrl.h"
#include "K7QBldDBTreeModel.h"
#include "K7QBldDisplayImage.h"
#include "K7QBldDragControls.h"
#include "K7QBldFile.h"
#include "K7QBldFrame.h"
#include "K7QBldImagePreview.h"
#include "K7QBldLinkDialog.h"
#include "K7QBldMacro.h"

namespace {

constexpr unsigned kIdsTables = 62194;
constexpr unsigned kIdsSampleUnreadable = 62322;
constexpr unsigned kIdsLinkNeedsSample = 62379;
constexpr unsigned kIdsFrameNotWritten = 63400;
// A text pane shows this much of a file at most; large objects can be huge.
constexpr std::size_t kMaxShownBytes = 1 << 20;

QLabel* ValueLabel(QWidget* parent, int id) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::number(id));
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

}  // namespace

CK7QBldDBTableColumn::CK7QBldDBTableColumn(CK7QBldContext& context, IK7QBldFrame& frame,
                                           QWidget* parent)
    : QWidget(parent), m_context(context), m_frame(frame) {
  setObjectName(QStringLiteral("144"));
  auto* layout = new QVBoxLayout(this);
  auto* treeLabel = new QLabel(m_context.String(kIdsTables), this);
  treeLabel->setObjectName(QString::number(kIdTreeLabel));
  layout->addWidget(treeLabel);
  m_tree = new CK7QBldDBTreeCtrl(this);
  m_tree->setObjectName(QString::number(kIdTree));
  layout->addWidget(m_tree, 3);

  auto* grid = new QGridLayout;
  m_columnName = ValueLabel(this, kIdColumnName);
  m_typeName = ValueLabel(this, kIdTypeName);
  m_length = ValueLabel(this, kIdLength);
  grid->addWidget(new QLabel(m_context.Text("db.column", "Column:"), this), 0, 0);
  grid->addWidget(m_columnName, 0, 1);
  grid->addWidget(new QLabel(m_context.Text("db.type", "Type:"), this), 1, 0);
  grid->addWidget(m_typeName, 1, 1);
  grid->addWidget(new QLabel(m_context.Text("db.length", "Length:"), this), 2, 0);
  grid->addWidget(m_length, 2, 1);
  grid->setColumnStretch(1, 1);
  layout->addLayout(grid);

  // The text pane is a drag source without a fragment: it neither tells nor drags.
  m_textPane = new CK7QBldDragEdit(this);
  m_textPane->setObjectName(QString::number(kIdTextPane));
  m_textPane->hide();
  layout->addWidget(m_textPane, 2);
  m_preview = new CK7QBldImagePreview(this, &m_fragment);
  m_preview->setObjectName(QString::number(kIdPreview));
  m_preview->setToolTip(m_context.Text("db.preview.tip", "Drag the picture into the page"));
  layout->addWidget(m_preview, 2);

  auto* row = new QHBoxLayout;
  m_linkBox = new QCheckBox(m_context.Text("db.link", "&Link"), this);
  m_linkBox->setObjectName(QString::number(kIdLink));
  m_linkSettings = new QPushButton(m_context.Text("db.linksettings", "Link &Settings..."), this);
  m_linkSettings->setObjectName(QString::number(kIdLinkSettings));
  m_linkSettings->setEnabled(false);
  m_colorButton = new QPushButton(m_context.Text("db.color", "&Colour..."), this);
  m_colorButton->setObjectName(QString::number(kIdColor));
  row->addWidget(m_linkBox);
  row->addWidget(m_linkSettings);
  row->addStretch(1);
  row->addWidget(m_colorButton);
  layout->addLayout(row);

  PaintSwatch();
  m_tree->SetFragment(&m_fragment);
  connect(m_linkBox, &QCheckBox::toggled, this, &CK7QBldDBTableColumn::OnLinkToggled);
  connect(m_linkSettings, &QPushButton::clicked, this, &CK7QBldDBTableColumn::OnLinkSettings);
  connect(m_colorButton, &QPushButton::clicked, this, &CK7QBldDBTableColumn::OnColor);
}

CK7QBldDBTableColumn::~CK7QBldDBTableColumn() {
  // The view lets go of the model before the model goes.
  m_tree->setModel(nullptr);
}

std::uint32_t CK7QBldDBTableColumn::Color() const { return m_frame.SharedColor() & 0xFFFFFF; }

void CK7QBldDBTableColumn::ClearTree() {
  m_tree->setModel(nullptr);
  m_model.reset();
  m_column = nullptr;
  m_fragment.clear();
}

bool CK7QBldDBTableColumn::FillTree() {
  ClearTree();
  const CK7QBldProfile& profile = m_frame.Macro().Profile();
  try {
    m_model = std::make_unique<CK7QBldDBTreeModel>(profile, m_context.String(kIdsTables));
    m_tree->setModel(m_model.get());
    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { OnCurrentChanged(current); });
    if (profile.Tables().empty()) return true;
    const QModelIndex root = m_model->RootIndex();
    m_tree->setExpanded(root, true);
    m_tree->setCurrentIndex(root);
  } catch (const std::bad_alloc& e) {
    m_context.groceries.ReportMemoryException(e, __FILE__, __LINE__);
    return false;
  }
  return true;
}

void CK7QBldDBTableColumn::OnCurrentChanged(const QModelIndex& current) {
  const CK7QBldProfileColumn* column = m_model ? m_model->Column(current) : nullptr;
  // The root and the tables change nothing.
  if (!column) return;
  m_column = column;
  CheckLink();
  ShowColumn(true);
}

bool CK7QBldDBTableColumn::CheckLink() {
  if (!m_link || !m_column || m_column->m_kind == kKindSample) return true;
  m_context.Ui().Message(kIdsLinkNeedsSample, K7QIcon::Exclamation);
  return false;
}

void CK7QBldDBTableColumn::RebuildFragment() {
  m_fragment = m_column ? m_frame.Macro().Profile().ColumnHtml(*m_column, Color(), m_link, m_prefix,
                                                               m_suffix)
                        : std::string();
}

void CK7QBldDBTableColumn::ShowColumn(bool reframe) {
  RebuildFragment();
  m_columnName->setText(K7QFromCp932(m_column->m_column));
  m_typeName->setText(K7QFromCp932(m_column->m_typeName));
  m_length->setText(K7QFromCp932(m_column->m_length));
  switch (m_column->m_kind) {
    case kKindImage:
      m_textPane->hide();
      if (reframe) ShowImage();
      m_preview->show();
      return;
    case kKindSample:
      ShowText(K7QFromCp932(m_column->m_sample));
      return;
    default:
      break;
  }
  // Kinds 0, 2 and 3 show their file as text. A text file is found as the
  // profile finds it (inside its folder only); a file of kind 0 by its name.
  const CK7QBldProfile& profile = m_frame.Macro().Profile();
  const std::string& reference = m_column->m_reference;
  std::string path = profile.ReferencePath(*m_column);
  if (path.empty() && m_column->m_kind == kKindNone && !profile.ProfileFolder().empty() &&
      K7QFile::IsSafeFileComponent(reference))
    path = K7QFile::Join(profile.ProfileFolder(), reference);
  std::string bytes;
  bool read = false;
  if (!path.empty()) {
    try {
      bytes = K7QFile::ReadAll(path);
      read = true;
    } catch (const CK7QBldFileException&) {
      // Shown as unreadable below, whatever the cause.
    }
  }
  if (!read) {
    ShowText(m_context.String(kIdsSampleUnreadable));
    return;
  }
  if (bytes.size() > kMaxShownBytes) bytes.resize(kMaxShownBytes);
  ShowText(K7QFromCp932(bytes));
}

void CK7QBldDBTableColumn::ShowText(const QString& text) {
  m_preview->hide();
  m_textPane->setPlainText(text);
  m_textPane->show();
}

void CK7QBldDBTableColumn::ShowImage() {
  m_preview->SetImage({});
  m_preview->SetNote({});
  const std::string path = m_frame.Macro().Profile().ReferencePath(*m_column);
  if (path.empty()) {
    m_preview->SetNote(m_context.String(kIdsSampleUnreadable));
    return;
  }
  QImage image;
  const K7QImageFiles::SFrameResult result = K7QBldDisplayImage::Frame(
      path, static_cast<std::int32_t>(CK7QBldGroceries::SwapRedBlue(Color())), image);
  m_preview->SetImage(image);
  if (image.isNull()) {
    m_preview->SetNote(m_context.String(kIdsSampleUnreadable));
    return;
  }
  if (result.status == K7QImageFiles::FrameStatus::kCannotWrite)
    m_preview->SetNote(m_context.String(kIdsFrameNotWritten) + QLatin1Char('\n') +
                       QString::fromStdString(result.error));
}

void CK7QBldDBTableColumn::ResetLink() {
  m_link = false;
  m_prefix.clear();
  m_suffix.clear();
  const QSignalBlocker block(m_linkBox);
  m_linkBox->setChecked(false);
  m_linkSettings->setEnabled(false);
}

bool CK7QBldDBTableColumn::DragStarting(QWidget* control, int) {
  if (control != m_tree && control != m_preview) return true;
  // A link on a column without sample text is refused, but the column still goes.
  if (CheckLink()) ResetLink();
  return true;
}

void CK7QBldDBTableColumn::DragFinished(QWidget*, int, Qt::DropAction) {
  // The link went with that drag; the next one carries what the page shows now.
  RebuildFragment();
}

void CK7QBldDBTableColumn::OnLinkToggled(bool on) {
  m_link = on;
  m_linkSettings->setEnabled(on);
  RebuildFragment();
}

void CK7QBldDBTableColumn::OnLinkSettings() {
  CK7QBldLinkDialog dialog(m_context, m_prefix, m_suffix, this);
  const bool accepted = m_runDialog ? m_runDialog(dialog) : dialog.exec() == QDialog::Accepted;
  if (!accepted) return;
  m_prefix = dialog.Prefix();
  m_suffix = dialog.Suffix();
  RebuildFragment();
}

void CK7QBldDBTableColumn::OnColor() {
  const QColor chosen =
      m_chooseColor ? m_chooseColor(Qt::black) : QColorDialog::getColor(Qt::black, this);
  if (!chosen.isValid()) return;
  m_frame.SetSharedColor(chosen.rgb() & 0xFFFFFF);
  PaintSwatch();
  if (!m_column) return;
  RebuildFragment();
  if (m_column->m_kind == kKindImage) ShowImage();
}

void CK7QBldDBTableColumn::PaintSwatch() {
  QPixmap swatch(16, 16);
  swatch.fill(QColor::fromRgb(Color()));
  QPainter painter(&swatch);
  painter.setPen(palette().color(QPalette::WindowText));
  painter.drawRect(0, 0, 15, 15);
  m_colorButton->setIcon(QIcon(swatch));
}
