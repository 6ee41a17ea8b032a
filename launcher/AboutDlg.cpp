#include "AboutDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "PlaunchArtwork.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("100"));
  setWindowTitle(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報 plaunch"));

  auto* icon = new QLabel(this);
  icon->setPixmap(PlaunchArtwork::ApplicationIcon().pixmap(QSize(64, 64), devicePixelRatioF()));
  icon->setAlignment(Qt::AlignTop);

  auto* text = new QVBoxLayout;
  text->addWidget(new QLabel(QStringLiteral("plaunch プロファイル作成ツール起動プログラム"), this));
  text->addWidget(new QLabel(
      QStringLiteral("データ・ソースの種類に合ったプロファイル作成ツールを起動します。"), this));
  text->addWidget(new QLabel(QStringLiteral("Version 1.0.1"), this));

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  auto* top = new QHBoxLayout;
  top->addWidget(icon);
  top->addLayout(text, 1);
  top->addWidget(ok, 0, Qt::AlignTop);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
}
