#include "K7QBldDragSource.h"

#include <QDrag>
#include <QMimeData>
#include <QPointer>
#include <QSettings>
#include <QWidget>

#include "K7QBldContext.h"

namespace K7QBldDrag {

QString FormatName() {
  QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Halvard"),
                     QStringLiteral("K7QBld"));
  const QString name =
      settings.value(QStringLiteral("Settings/DefaultCF"), QStringLiteral("HTML Format"))
          .toString();
  return name.isEmpty() ? QStringLiteral("HTML Format") : name;
}

QString MimeType(const QString& formatName) {
  // Qt's name for a clipboard format registered by name.
  return QStringLiteral("application/x-qt-windows-mime;value=\"%1\"").arg(formatName);
}

QMimeData* MakeMimeData(const std::string& cp932, const QString& formatName) {
  auto* data = new QMimeData;
  QByteArray bytes(cp932.data(), static_cast<qsizetype>(cp932.size()));
  bytes.append('\0');
  data->setData(MimeType(formatName), bytes);
  const QString text = K7QFromCp932(cp932);
  data->setText(text);
  data->setHtml(text);
  return data;
}

IK7QBldDragPage* PageOf(QWidget* control) {
  for (QWidget* w = control ? control->parentWidget() : nullptr; w; w = w->parentWidget()) {
    if (auto* page = dynamic_cast<IK7QBldDragPage*>(w)) return page;
  }
  return nullptr;
}

int IdOf(const QWidget* control) { return control ? control->objectName().toInt() : 0; }

Qt::DropAction Run(QWidget* control, const std::string* text, bool notify) {
  IK7QBldDragPage* page = PageOf(control);
  const int id = IdOf(control);
  if (notify && page && !page->DragStarting(control, id)) return Qt::IgnoreAction;
  if (!text || text->empty()) return Qt::IgnoreAction;
  QPointer<QWidget> source(control);
  // Qt deletes the drag itself: on X11 only once the drop target has taken
  // the data, which may be well after exec() returned.
  auto* drag = new QDrag(control);
  drag->setMimeData(MakeMimeData(*text));
  const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
  // The page may have gone while the drag ran its own event loop.
  if (source && page == PageOf(source)) page->DragFinished(source, id, action);
  return action;
}

}  // namespace K7QBldDrag
