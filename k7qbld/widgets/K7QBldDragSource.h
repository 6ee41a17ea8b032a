#pragma once

// Folder k7qbld/widgets: controls shared by the pages: the drag sources
// that carry page fragments into the page editor, the image preview.

#include <QString>
#include <Qt>
#include <string>

class QMimeData;
class QWidget;

// A page that holds drag sources. Before a drag the source tells the page
// (it may check or rebuild the fragment, or refuse the drag); afterwards it
// tells it how the drag ended.
class IK7QBldDragPage {
 public:
  virtual ~IK7QBldDragPage() = default;
  // `control` with identifier `id` (its objectName) starts a drag. False refuses it.
  virtual bool DragStarting(QWidget* control, int id) = 0;
  virtual void DragFinished(QWidget* control, int id, Qt::DropAction action) {
    (void)control;
    (void)id;
    (void)action;
  }
};

// The drag protocol that every drag source of the builder follows.
namespace K7QBldDrag {

// The clipboard format name of the setting "Settings/DefaultCF" ("HTML Format").
QString FormatName();
// The MIME type under which the fragment's own bytes travel; the page
// editor K7QBldEditor reads exactly this name.
QString MimeType(const QString& formatName = FormatName());

// What a drag carries: the CP932 bytes with their terminating zero under
// MimeType(), and the same text in Unicode as text/plain and text/html,
// so that other editors accept it too. Owned by the caller.
QMimeData* MakeMimeData(const std::string& cp932, const QString& formatName = FormatName());

// The page that hosts `control`: its nearest ancestor that is a drag page.
IK7QBldDragPage* PageOf(QWidget* control);

// Runs a drag from `control`: with `notify` the page is told first and may
// refuse; then `text` (read after the page had its say) is dragged with
// copy and move allowed. Without a text, or with an empty one, nothing is
// dragged. The action the drop target took, IgnoreAction when none.
Qt::DropAction Run(QWidget* control, const std::string* text, bool notify);

// The identifier of a control: its objectName as a number (0 when it has none).
int IdOf(const QWidget* control);

}  // namespace K7QBldDrag
