#include "pbuildDlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>
#include <QVBoxLayout>

#include "K7QBldLanguage.h"
#include "K7QBldUserInterface.h"

namespace {

// Names shown per closing list of a run in a box; the rest is counted.
constexpr std::size_t kListedNames = 40;

}  // namespace

// The run's view of the user interface: the window's own, reached from the
// run's thread by a call into the window's thread that waits for the answer.
class CPbuildDlg::CWorkerUi : public IK7QBldUserInterface {
 public:
  CWorkerUi(IK7QBldUserInterface& ui, QObject& window, const std::atomic<bool>& closing)
      : m_ui(ui), m_window(window), m_closing(closing) {}

  std::string String(unsigned id) const override { return m_ui.String(id); }
  int Prompt(unsigned id, const std::string& text, K7QIcon icon, K7QButtons buttons) override {
    if (QThread::currentThread() == m_window.thread()) return m_ui.Prompt(id, text, icon, buttons);
    // A window on its way out answers nothing: questions are declined.
    int answer = buttons == K7QButtons::Ok         ? kIdOk
                 : buttons == K7QButtons::OkCancel ? kIdCancel
                                                   : kIdNo;
    if (m_closing) return answer;
    QMetaObject::invokeMethod(
        &m_window,
        [&] {
          if (!m_closing) answer = m_ui.Prompt(id, text, icon, buttons);
        },
        Qt::BlockingQueuedConnection);
    return answer;
  }
  void SetDocumentModified() override {}
  int SelectNextObject() override { return 0; }
  int SelectPreviousObject() override { return 0; }

 private:
  IK7QBldUserInterface& m_ui;
  QObject& m_window;
  const std::atomic<bool>& m_closing;
};

CPbuildDlg::CPbuildDlg(const CK7QBldLanguage& language, IK7QBldUserInterface& ui,
                       const std::vector<std::string>& dataSources, const std::string& baseFolder,
                       QWidget* parent)
    : QDialog(parent),
      m_language(language),
      m_ui(ui),
      m_workerUi(std::make_unique<CWorkerUi>(ui, *this, m_closing)),
      m_creator(*m_workerUi, *this) {
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
  m_schema = new QLineEdit(this);
  m_schema->setObjectName(QStringLiteral("schema"));
  m_schema->setPlaceholderText(Text("dialog.schemaDefault"));
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
  form->addRow(Text("dialog.schema"), m_schema);

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

  m_creator.SetListLimit(kListedNames);
  ClearStatus();
  UpdateButtons();
}

CPbuildDlg::~CPbuildDlg() {
  if (!m_worker) return;
  // The window goes while a run is on (the program is asked to end): the run
  // is stopped, its questions are declined, and it ends before its window.
  m_closing = true;
  m_stopRequested = true;
  m_worker->disconnect(this);
  while (!m_worker->wait(QDeadlineTimer(50))) QCoreApplication::processEvents();
  delete m_worker;
}

template <typename F>
void CPbuildDlg::Show(F update) {
  if (QThread::currentThread() == thread()) {
    update();
    return;
  }
  QMetaObject::invokeMethod(this, std::move(update), Qt::QueuedConnection);
}

QString CPbuildDlg::Text(const char* key) const {
  return QString::fromStdString(m_language.Text(key));
}

void CPbuildDlg::UpdateButtons() {
  const bool complete = m_dataSources->currentIndex() >= 0 && !m_login->text().isEmpty() &&
                        !m_baseFolder->text().isEmpty();
  m_start->setEnabled(!m_running && complete);
  m_stop->setEnabled(m_running && !m_stopRequested);
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
  inputs.schema = m_schema->text().toStdString();

  m_running = true;
  m_stopRequested = false;
  UpdateButtons();
  m_worker = QThread::create([this, inputs] { m_outcome = m_creator.Run(inputs); });
  connect(m_worker, &QThread::finished, this, &CPbuildDlg::OnRunEnded);
  m_worker->start();
}

void CPbuildDlg::OnRunEnded() {
  m_worker->wait();
  delete m_worker;
  m_worker = nullptr;
  m_running = false;
  ClearStatus();
  m_progress->setRange(0, 1);
  m_progress->setValue(0);
  UpdateButtons();
  emit RunFinished();
  if (m_outcome.status == CPbuildOutcome::kFatal) emit Fatal(m_outcome.exitCode);
}

void CPbuildDlg::OnStop() {
  m_stopRequested = true;
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

void CPbuildDlg::SetRange(int maximum) {
  Show([this, maximum] { m_progress->setRange(0, maximum > 0 ? maximum : 1); });
}

void CPbuildDlg::SetPosition(int position) {
  Show([this, position] { m_progress->setValue(position); });
}

void CPbuildDlg::SetStatus(Line line, const std::string& text) {
  Show([this, line, text = QString::fromStdString(text)] {
    m_status[static_cast<int>(line)]->setText(text);
  });
}

// The run has its own thread: this window's events are handled all along.
bool CPbuildDlg::Pump() { return !m_closing; }
