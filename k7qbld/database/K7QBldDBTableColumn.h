#pragma once

#include <QColor>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "K7QBldDragSource.h"

class CK7QBldDBTreeCtrl;
class CK7QBldDBTreeModel;
class CK7QBldDragEdit;
class CK7QBldImagePreview;
class CK7QBldProfileColumn;
class IK7QBldFrame;
class QCheckBox;
class QLabel;
class QModelIndex;
class QPushButton;
struct CK7QBldContext;

// Page 144 of the database sheet: the profile's tables and columns as a
// tree, what the selected column holds (a framed picture, a text, a sample)
// and the fragment that shows it on a page, which the tree and the picture
// drag into the page editor.
class CK7QBldDBTableColumn : public QWidget, public IK7QBldDragPage {
  Q_OBJECT

 public:
  static constexpr int kIdTreeLabel = 1400;
  static constexpr int kIdTree = 1401;
  static constexpr int kIdColumnName = 1402;
  static constexpr int kIdTypeName = 1403;
  static constexpr int kIdLength = 1404;
  static constexpr int kIdTextPane = 1405;
  static constexpr int kIdPreview = 1406;
  static constexpr int kIdLink = 1407;
  static constexpr int kIdLinkSettings = 1408;
  static constexpr int kIdColor = 1409;

  CK7QBldDBTableColumn(CK7QBldContext& context, IK7QBldFrame& frame, QWidget* parent = nullptr);
  ~CK7QBldDBTableColumn() override;

  // Fills the tree from the frame's profile: empty without tables; the root
  // expanded and selected otherwise. False after a memory shortage (reported).
  bool FillTree();
  // Drops the tree's model; the page then shows nothing of the profile.
  void ClearTree();

  const std::string& Fragment() const { return m_fragment; }
  const CK7QBldProfileColumn* SelectedColumn() const { return m_column; }
  bool LinkOn() const { return m_link; }
  const std::string& LinkPrefix() const { return m_prefix; }
  const std::string& LinkSuffix() const { return m_suffix; }
  CK7QBldDBTreeCtrl* Tree() const { return m_tree; }
  CK7QBldDBTreeModel* Model() const { return m_model.get(); }
  CK7QBldImagePreview* Preview() const { return m_preview; }

  // The colour dialog and the link dialog; tests replace them. The colour
  // chooser returns an invalid colour when cancelled; the link runner shows
  // the dialog and returns whether it was accepted.
  std::function<QColor(const QColor& initial)> m_chooseColor;
  std::function<bool(QDialog& dialog)> m_runDialog;

  bool DragStarting(QWidget* control, int id) override;
  void DragFinished(QWidget* control, int id, Qt::DropAction action) override;

  // The commands.
  void OnLinkToggled(bool on);
  void OnLinkSettings();
  void OnColor();

 private:
  void OnCurrentChanged(const QModelIndex& current);
  void ShowColumn(bool reframe);
  void ShowImage();
  void ShowText(const QString& text);
  // False (62379 shown) when the link is on for a column without sample text.
  bool CheckLink();
  void ResetLink();
  void RebuildFragment();
  void PaintSwatch();
  std::uint32_t Color() const;

  CK7QBldContext& m_context;
  IK7QBldFrame& m_frame;
  std::unique_ptr<CK7QBldDBTreeModel> m_model;
  CK7QBldDBTreeCtrl* m_tree;
  QLabel* m_columnName;
  QLabel* m_typeName;
  QLabel* m_length;
  CK7QBldDragEdit* m_textPane;
  CK7QBldImagePreview* m_preview;
  QCheckBox* m_linkBox;
  QPushButton* m_linkSettings;
  QPushButton* m_colorButton;

  std::string m_fragment;
  const CK7QBldProfileColumn* m_column = nullptr;
  bool m_link = false;
  std::string m_prefix;
  std::string m_suffix;
};
