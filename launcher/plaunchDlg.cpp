#include "plaunchDlg.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QVBoxLayout>

#include "AboutDlg.h"
#include "PlaunchArtwork.h"

namespace {
// String 101: the About entry.
const char16_t kAboutEntry[] = u"ﾊﾞｰｼﾞｮﾝ情報(plaunch) (&A)...";

QString Id(int id) { return QString::number(id); }
}  // namespace

CPlaunchDlg::CPlaunchDlg(QWidget* parent)
    : QDialog(parent), m_programFolder(QCoreApplication::applicationDirPath()) {
  setObjectName(QStringLiteral("102"));
  setWindowTitle(QStringLiteral("ﾌﾟﾛﾌｧｲﾙ作成ﾂｰﾙ"));
  setWindowIcon(PlaunchArtwork::ApplicationIcon());

  auto* picture = new QLabel(this);
  picture->setObjectName(QStringLiteral("129"));
  picture->setPixmap(PlaunchArtwork::Picture(devicePixelRatioF()));
  picture->setAlignment(Qt::AlignTop);

  auto* title = new QLabel(QStringLiteral("プロファイル作成ツール"), this);
  QFont titleFont = title->font();
  if (titleFont.pointSizeF() > 0) titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
  titleFont.setBold(true);
  title->setFont(titleFont);

  auto* group = new QGroupBox(QStringLiteral(" データ・ソース選択 "), this);
  auto* vq5 = new QRadioButton(QStringLiteral("VQ5"), group);
  vq5->setObjectName(Id(kIdVq5));
  vq5->setChecked(true);
  auto* odbc = new QRadioButton(QStringLiteral("ODBC"), group);
  odbc->setObjectName(Id(kIdOdbc));
  auto* groupLayout = new QVBoxLayout(group);
  groupLayout->addWidget(vq5);
  groupLayout->addWidget(odbc);
  connect(vq5, &QRadioButton::clicked, this, [this] { m_choice = 0; });
  connect(odbc, &QRadioButton::clicked, this, [this] { m_choice = 1; });

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(Id(kIdOk));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
  cancel->setObjectName(Id(kIdCancel));
  // There is no window menu to extend here, so the About entry is a button.
  auto* about = new QPushButton(QString::fromUtf16(kAboutEntry), this);
  about->setObjectName(Id(kIdAbout));
  about->setAutoDefault(false);
  connect(ok, &QPushButton::clicked, this, &CPlaunchDlg::OnOK);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(about, &QPushButton::clicked, this, &CPlaunchDlg::OnAbout);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(about);
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);

  auto* right = new QVBoxLayout;
  right->addWidget(title);
  right->addSpacing(8);
  right->addWidget(group);
  right->addStretch();
  right->addLayout(buttons);

  auto* layout = new QHBoxLayout(this);
  layout->addWidget(picture);
  layout->addLayout(right, 1);
  setSizeGripEnabled(false);
}

QString CPlaunchDlg::ProgramFor(int choice) {
  return choice == 1 ? QStringLiteral("pbuild_odbc") : QStringLiteral("pbuild_vq5");
}

QString CPlaunchDlg::FindProgram(const QString& name, const QStringList& folders) {
  for (const QString& folder : folders) {
    if (folder.isEmpty()) continue;
    const QFileInfo candidate(QDir(folder).filePath(name));
    if (candidate.isFile() && candidate.isExecutable()) return candidate.absoluteFilePath();
  }
  return QStandardPaths::findExecutable(name);
}

void CPlaunchDlg::OnOK() {
  const QString program = ProgramFor(m_choice);
  const QString path = FindProgram(program, {m_programFolder, QDir::currentPath()});
  // Started, not waited on: the launcher's work ends here.
  if (path.isEmpty() || !QProcess::startDetached(path, {}, QDir::currentPath())) {
    const QString text = QStringLiteral("Program Execute Error!! [%1]").arg(program);
    if (m_showMessage) {
      m_showMessage(text);
    } else {
      QMessageBox box(QMessageBox::NoIcon, QStringLiteral("plaunch"), text, QMessageBox::Ok, this);
      box.exec();
    }
  }
  accept();
}

void CPlaunchDlg::OnAbout() {
  CAboutDlg about(this);
  about.exec();
}
