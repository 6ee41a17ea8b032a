#include "K7QBldDDPage.h"

#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

#include "K7QBldArtwork.h"
#include "K7QBldContext.h"
#include "K7QBldDDData.h"
#include "K7QBldDisplayImage.h"
#include "K7QBldMacro.h"

namespace {

constexpr unsigned kIdsCaption = 62186;
constexpr unsigned kIdsNoValue = 62394;
constexpr unsigned kIdsReplace = 62396;
constexpr unsigned kIdsImageFilter = 62261;
constexpr unsigned kIdsNotCp932 = 63030;

QByteArray Bytes(const std::string& s) { return QByteArray(s.data(), static_cast<int>(s.size())); }
std::string FromBytes(const QVariant& v) { return v.toByteArray().toStdString(); }

}  // namespace

CK7QBldPreviewButton::CK7QBldPreviewButton(QWidget* parent) : QWidget(parent) {
  setMinimumSize(120, 90);
}

void CK7QBldPreviewButton::SetImage(const QImage& image) {
  m_image = image;
  update();
}

void CK7QBldPreviewButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setPen(palette().mid().color());
  p.drawRect(rect().adjusted(0, 0, -1, -1));
  if (m_image.isNull()) return;
  const QRect inside = rect().adjusted(1, 1, -1, -1);
  p.setClipRect(inside);
  p.drawImage(inside.topLeft(), m_image);
}

CK7QBldDDPage::CK7QBldDDPage(CK7QBldContext& context, const CK7QBldMacro& macro,
                             CK7QBldDDData& data, int kind, int id, QWidget* parent)
    : QWidget(parent), m_context(context), m_macro(macro), m_data(data), m_kind(kind) {
  setObjectName(QString::number(id));
  auto* outer = new QHBoxLayout(this);
  auto* banner = new QLabel(this);
  banner->setObjectName(QString::number(kIdBanner));
  banner->setPixmap(K7QBldArtwork::Banner(90, 300));
  outer->addWidget(banner, 0, Qt::AlignTop);
  m_grid = new QGridLayout;
  outer->addLayout(m_grid, 1);

  // A label's mnemonic moves the focus to its field.
  const auto label = [this](const char* key, const char* fallback, QWidget* buddy) {
    auto* l = new QLabel(m_context.Text(key, fallback), this);
    l->setBuddy(buddy);
    return l;
  };
  const auto combo = [this](int controlId) {
    auto* c = new QComboBox(this);
    c->setObjectName(QString::number(controlId));
    return c;
  };
  m_function = combo(kIdFunction);
  m_table = combo(kIdTable);
  m_column = combo(kIdColumn);
  m_value = new QLineEdit(this);
  m_value->setObjectName(QString::number(kIdValue));
  m_note = new QLineEdit(this);
  m_note->setObjectName(QString::number(kIdNote));
  m_set = new QPushButton(m_context.Text("object.set", "&Set"), this);
  m_set->setObjectName(QString::number(kIdSet));
  m_grid->addWidget(label("object.function", "&Function:", m_function), 0, 0);
  m_grid->addWidget(m_function, 0, 1);
  m_grid->addWidget(label("object.table", "&Table:", m_table), 1, 0);
  m_grid->addWidget(m_table, 1, 1);
  m_grid->addWidget(label("object.column", "C&olumn:", m_column), 2, 0);
  m_grid->addWidget(m_column, 2, 1);
  m_grid->addWidget(label("object.value", "When the column's &value is:", m_value), 3, 0);
  m_grid->addWidget(m_value, 3, 1);
  m_grid->addWidget(label("object.note", "&Note:", m_note), 4, 0);
  m_grid->addWidget(m_note, 4, 1);
  m_grid->addWidget(m_set, 0, 2);
  m_grid->setColumnStretch(1, 1);
  m_grid->setRowStretch(20, 1);

  for (const auto& [name, index] : m_macro.Functions().FunctionComboItems(true)) {
    m_function->addItem(K7QFromCp932(name), Bytes(name));
  }
  FillTables();
  m_set->setEnabled(m_function->count() > 0);
  connect(m_function, &QComboBox::currentIndexChanged, this, [this] { FillTables(); });
  connect(m_table, &QComboBox::currentIndexChanged, this, [this] { FillColumns(); });
  connect(m_set, &QPushButton::clicked, this, &CK7QBldDDPage::OnSet);
}

void CK7QBldDDPage::FillTables() {
  const QSignalBlocker block(m_table);
  m_table->clear();
  const std::string function = FromBytes(m_function->currentData());
  for (const std::string& table : m_macro.Functions().FunctionTables(function)) {
    m_table->addItem(K7QFromCp932(table), Bytes(table));
  }
  m_table->setEnabled(m_table->count() > 0);
  FillColumns();
}

void CK7QBldDDPage::FillColumns() {
  m_column->clear();
  const std::string function = FromBytes(m_function->currentData());
  const std::string table = FromBytes(m_table->currentData());
  for (const std::string& column : m_macro.Functions().TableColumns(function, table)) {
    m_column->addItem(K7QFromCp932(column), Bytes(column));
  }
  m_column->setEnabled(m_column->count() > 0);
}

int CK7QBldDDPage::Message(unsigned id, bool yesNo) {
  return m_context.Ui().MessageCaptioned(kIdsCaption, id, K7QIcon::Exclamation,
                                         yesNo ? K7QButtons::YesNo : K7QButtons::Ok);
}

bool CK7QBldDDPage::OnSet() {
  if (m_function->currentIndex() < 0 || m_table->currentIndex() < 0 ||
      m_column->currentIndex() < 0) {
    m_context.groceries.ReportError(__FILE__, __LINE__);
    return false;
  }
  const QString value = m_value->text().trimmed();
  if (value.isEmpty()) {
    Message(kIdsNoValue);
    return false;
  }
  QString replacement;
  if (!ReadReplacement(replacement)) return false;
  SK7QBldObjectRow row;
  row.kind = m_kind;
  if (!K7QToCp932(value, row.value) || !K7QToCp932(replacement, row.replacement) ||
      !K7QToCp932(m_note->text(), row.note)) {
    Message(kIdsNotCp932);
    return false;
  }
  if (const unsigned refused =
          CK7QBldDDBlock::CheckFields(m_kind, row.value, row.replacement, row.note)) {
    Message(refused);
    return false;
  }
  row.function = FromBytes(m_function->currentData());
  row.table = FromBytes(m_table->currentData());
  row.column = FromBytes(m_column->currentData());
  const int found = m_data.FindRow(row.function);
  if (found < 0) {
    m_data.AddRow(row);
  } else {
    if (Message(kIdsReplace, true) != kIdYes) return false;
    m_data.ReplaceRow(found, row);
  }
  m_modified = true;
  return true;
}

QString CK7QBldDDPage::BrowseImage() {
  if (m_browse) return m_browse();
  QFileDialog dialog(this);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setDefaultSuffix(QStringLiteral("gif"));
  dialog.setOption(QFileDialog::ReadOnly);
  dialog.setNameFilters(m_context.String(kIdsImageFilter).split(QStringLiteral(";;")));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front();
}

bool CK7QBldDDPage::ShowPreview(CK7QBldPreviewButton* preview, const QString& path) {
  const QImage image = path.isEmpty() ? QImage() : K7QBldDisplayImage::Load(K7QToPath(path));
  preview->SetImage(image);
  return !image.isNull();
}
