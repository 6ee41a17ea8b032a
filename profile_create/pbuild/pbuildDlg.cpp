#include "pbuildDlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "K7QBldLanguage.h"
#include "K7QBldUserInterface.h"

CPbuildDlg::CPbuildDlg(const CK7QBldLanguage& language, IK7QBldUserInterface& ui,
                       const std::vector<std::string>& dataSources, const std::string& baseFolder,
                       QWidget* parent)
    : QDialog(parent), m_language(language), m_ui(ui), m_creator(ui, *this) {
  setObjectName(QStringLiteral("pbuildDlg"));
  setWindowTitle(Text("dialog.caption"));

  m_dataSources = new QComboBox(this);
  m_dataSources->setObjectName(QStringLiteral("dataSources"));
  for (const std::string& name : dataSources) m_dataSources->addItem(QString::fromStdString(name));
  m_dataSources->setCurrentIndex(-1);
  m_login = new QLineEdit(this);
  m_login->setObjectName(QStringLiteral("login"));
  m_password = new QLineEdit(this);
  m_password->setObjectName(QStringLiteral("password"));
  m_password->setEchoMode(QLineEdit::Password);
  m_baseFolder = new QLineEdit(QString::fromStdString(baseFolder), this);
  m_baseFolder->setObjectName(QStringLiteral("baseFolder"));
  m_baseFolder->setMaxLength(255);
  m_browse = new QPushButton(Text("dialog.browse"), this);
  m_browse->setObjectName(QStringLiteral("browse"));
  m_browse->setAutoDefault(false);

  auto* folderRow = new QHBoxLayout;
  folderRow->addWidget(m_baseFolder, 1);
  folderRow->addWidget(m_browse);

  auto* form = new QFormLayout;
  form->addRow(Text("dialog.dataSource"), m_dataSources);
  form->addRow(Text("dialog.login"), m_login);
  form->addRow(Text("dialog.password"), m_password);
  auto* folderLabel = new QLabel(Text("dialog.baseFolder"), this);
  folderLabel->setBuddy(m_baseFolder);
  form->addRow(folderLabel, folderRow);

  auto* mode = new QGroupBox(Text("dialog.mode"), this);
  m_withSamples = new QRadioButton(Text("dialog.modeSamples"), mode);
  m_withSamples->setObjectName(QStringLiteral("modeSamples"));
  m_withoutSamples = new QRadioButton(Text("dialog.modeNoSamples"), mode);
  m_withoutSamples->setObjectName(QStringLiteral("modeNoSamples"));
  m_withSamples->setChecked(true);
  auto* modeLayout = new QVBoxLayout(mode);
  modeLayout->addWidget(m_withSamples);
  modeLayout->addWidget(m_withoutSamples);

  m_progress = new QProgressBar(this);
  m_progress->setObjectName(QStringLiteral("progress"));
  m_progress->setRange(0, 1);
  m_progress->setValue(0);
  for (int i = 0; i < 3; ++i) {
    m_status[i] = new QLabel(this);
    m_status[i]->setObjectName(QStringLiteral("status%1").arg(i));
    m_status[i]->setMinimumWidth(360);
  }

  m_start = new QPushButton(Text("dialog.start"), this);
  m_start->setObjectName(QStringLiteral("start"));
  m_start->setDefault(true);
  m_stop = new QPushButton(Text("dialog.stop"), this);
  m_stop->setObjectName(QStringLiteral("stop"));
  m_stop->setAutoDefault(false);
  m_close = new QPushButton(Text("dialog.close"), this);
  m_close->setObjectName(QStringLiteral("close"));
  m_close->setAutoDefault(false);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(m_start);
  buttons->addWidget(m_stop);
  buttons->addWidget(m_close);
  buttons->addStretch(1);

  auto* top = new QHBoxLayout;
  auto* left = new QVBoxLayout;
  left->addLayout(form);
  left->addWidget(mode);
  top->addLayout(left, 1);
  top->addLayout(buttons);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(m_progress);
  for (QLabel* status : m_status) layout->addWidget(status);

  connect(m_start, &QPushButton::clicked, this, &CPbuildDlg::OnStart);
  connect(m_stop, &QPushButton::clicked, this, &CPbuildDlg::OnStop);
  connect(m_close, &QPushButton::clicked, this, &CPbuildDlg::reject);
  connect(m_browse, &QPushButton::clicked, this, &CPbuildDlg::OnBrowse);
  connect(m_dataSources, &QComboBox::currentIndexChanged, this, &CPbuildDlg::UpdateButtons);
  connect(m_login, &QLineEdit::textChanged, this, &CPbuildDlg::UpdateButtons);
  connect(m_baseFolder, &QLineEdit::textChanged, this, &CPbuildDlg::UpdateButtons);

  ClearStatus();
  UpdateButtons();
}

QString CPbuildDlg::Text(const char* key) const {
  return QString::fromStdString(m_language.Text(key));
}

void CPbuildDlg::UpdateButtons() {
  const bool complete = m_dataSources->currentIndex() >= 0 && !m_login->text().isEmpty() &&
                        !m_baseFolder->text().isEmpty();
  m_start->setEnabled(!m_running && complete);
  m_stop->setEnabled(m_running && !m_idle);
  m_close->setEnabled(!m_running);
}

void CPbuildDlg::ClearStatus() {
  for (QLabel* status : m_status) status->clear();
}

void CPbuildDlg::OnStart() {
  if (m_running) return;
  CPbuildInputs inputs;
  inputs.dataSource = m_dataSources->currentIndex() >= 0
                          ? m_dataSources->currentText().toStdString()
                          : std::string();
  inputs.login = m_login->text().toStdString();
  inputs.password = m_password->text().toStdString();
  inputs.baseFolder = m_baseFolder->text().toStdString();
  inputs.sampleMode = m_withoutSamples->isChecked() ? 1 : 0;

  m_running = true;
  m_idle = false;
  UpdateButtons();
  m_outcome = m_creator.Run(inputs);
  m_running = false;
  m_idle = true;
  ClearStatus();
  m_progress->setRange(0, 1);
  m_progress->setValue(0);
  UpdateButtons();
  if (m_outcome.status == CPbuildOutcome::kFatal) emit Fatal(m_outcome.exitCode);
}

void CPbuildDlg::OnStop() {
  m_idle = true;
  UpdateButtons();
}

void CPbuildDlg::OnBrowse() {
  const QString folder =
      QFileDialog::getExistingDirectory(this, Text("dialog.browseCaption"), m_baseFolder->text());
  if (!folder.isEmpty()) m_baseFolder->setText(folder);
}

void CPbuildDlg::reject() {
  if (m_running) return;
  QDialog::reject();
}

void CPbuildDlg::closeEvent(QCloseEvent* event) {
  if (m_running) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void CPbuildDlg::SetRange(int maximum) { m_progress->setRange(0, maximum > 0 ? maximum : 1); }

void CPbuildDlg::SetPosition(int position) { m_progress->setValue(position); }

void CPbuildDlg::SetStatus(Line line, const std::string& text) {
  m_status[static_cast<int>(line)]->setText(QString::fromStdString(text));
}

bool CPbuildDlg::Pump() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  return true;
}
