#pragma once

#include <QString>
#include <cstdint>
#include <string>

class CK7QBldMacro;

// What the pages of the form view need from the main frame: the macro they
// edit, the document's title and modified mark, the external editors and the
// side panel around them, and the final Save As. Pages hold this interface,
// never the frame itself, so they build and test without it.
class IK7QBldFrame {
 public:
  virtual ~IK7QBldFrame() = default;

  // The macro's parts, owned by the frame.
  virtual CK7QBldMacro& Macro() = 0;
  // TITLE of the macro (its file name without folder and extension).
  virtual std::string MacroTitle() const = 0;
  // The document's title as the window shows it.
  virtual QString DocumentTitle() const = 0;
  virtual void SetDocumentModified() = 0;

  // Starts the page editor on `pagePath` for the tree item `itemCode`.
  virtual bool EditPage(int itemCode, const QString& pagePath) = 0;
  // While a page editor runs: asks until it is closed (its page converted)
  // or left; false when the author cancelled.
  virtual bool ConfirmPageEditorClosed(bool macroGoes) = 0;
  // Starts the macro text editor on `macroPath` with `title` as its window title.
  virtual bool ViewMacro(const QString& macroPath, const QString& title) = 0;
  // Starts the macro text editor on a working page of the macro (a
  // builder-made function's page); when it ends having changed the page,
  // the document is marked modified.
  virtual bool ViewPageText(const QString& pagePath, const QString& title) = 0;
  // A page editor was started and its end not handled yet.
  virtual bool PageEditorRunning() const = 0;
  // Copies the profile's large-object files next to the page.
  virtual bool CopyLargeObjectFiles(const QString& pagePath) = 0;
  // Hides the tree side of the form view (before the page editor starts) and back.
  virtual void CollapseSidePanel() = 0;
  virtual void ExpandSidePanel() = 0;
  // The document's Save As (the final guide page's OK).
  virtual void SaveAs() = 0;
  // The colour of the fragments the database sheet's pages make (0xRRGGBB),
  // one for all of them; black until the author picks another.
  virtual std::uint32_t SharedColor() const = 0;
  virtual void SetSharedColor(std::uint32_t color) = 0;
};

// A page of the form view that edits rows of the macro in a list of its own
// (the variable dialog): the view has it store them when the author leaves
// it by the tree, and the document before it saves or asks to save, so that
// no row is lost for want of OK, Next or Back.
class IK7QBldStoringPage {
 public:
  virtual ~IK7QBldStoringPage() = default;
  virtual void StoreRows() = 0;
};
