#include "K7QBldSplash.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "K7QBldArtwork.h"

CK7QBldSplash::CK7QBldSplash(QWidget* owner)
    : QDialog(owner, Qt::SplashScreen | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("159"));
  setModal(false);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* picture = new QLabel(this);
  picture->setObjectName(QString::number(kIdPicture));
  picture->setPixmap(K7QBldArtwork::Splash());
  layout->addWidget(picture);
  adjustSize();
}

CK7QBldAbout::CK7QBldAbout(QWidget* owner, const QString& caption, const QString& text)
    : QDialog(owner) {
  setObjectName(QStringLiteral("100"));
  setWindowTitle(caption);
  auto* layout = new QVBoxLayout(this);
  auto* row = new QHBoxLayout;
  auto* icon = new QLabel(this);
  icon->setPixmap(K7QBldArtwork::ApplicationIcon().pixmap(64, 64));
  row->addWidget(icon, 0, Qt::AlignTop);
  auto* label = new QLabel(text, this);
  label->setObjectName(QStringLiteral("aboutText"));
  row->addWidget(label, 1);
  layout->addLayout(row);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons);
}
