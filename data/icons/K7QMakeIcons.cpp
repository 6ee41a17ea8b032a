// Writes the programs' icons for the desktop's hicolor theme from the
// pictures the programs paint themselves: a PNG per size and an SVG.
//   k7q_icons OUTDIR   ->  OUTDIR/hicolor/NxN/apps/NAME.png, OUTDIR/hicolor/scalable/apps/NAME.svg
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <cstdio>

#include "K7QBldArtwork.h"
#include "K7QBldEditArtwork.h"
#include "PlaunchArtwork.h"

namespace {

struct Icon {
  const char* name;
  void (*paint)(QPainter&, const QRectF&);
};

const Icon kIcons[] = {
    {"K7QBld", K7QBldArtwork::PaintIcon},
    {"plaunch", PlaunchArtwork::PaintIcon},
    {"K7QBldEditor", K7QBldEditArtwork::PaintIcon},
};

bool WritePng(const Icon& icon, const QString& out, int size) {
  const QString folder = QStringLiteral("%1/hicolor/%2x%2/apps").arg(out).arg(size);
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  icon.paint(p, QRectF(0, 0, size, size));
  p.end();
  return QDir().mkpath(folder) &&
         image.save(QStringLiteral("%1/%2.png").arg(folder, QLatin1String(icon.name)));
}

bool WriteSvg(const Icon& icon, const QString& out) {
  const QString folder = out + QStringLiteral("/hicolor/scalable/apps");
  if (!QDir().mkpath(folder)) return false;
  QSvgGenerator svg;
  svg.setFileName(QStringLiteral("%1/%2.svg").arg(folder, QLatin1String(icon.name)));
  svg.setSize(QSize(256, 256));
  svg.setViewBox(QRect(0, 0, 256, 256));
  svg.setTitle(QLatin1String(icon.name));
  QPainter p;
  if (!p.begin(&svg)) return false;
  icon.paint(p, QRectF(0, 0, 256, 256));
  return p.end();
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: k7q_icons OUTDIR\n");
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  for (const Icon& icon : kIcons) {
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
      if (!WritePng(icon, out, size)) {
        std::fprintf(stderr, "k7q_icons: cannot write the %d-pixel %s icon\n", size, icon.name);
        return 1;
      }
    }
    if (!WriteSvg(icon, out)) {
      std::fprintf(stderr, "k7q_icons: cannot write the scalable %s icon\n", icon.name);
      return 1;
    }
  }
  return 0;
}
