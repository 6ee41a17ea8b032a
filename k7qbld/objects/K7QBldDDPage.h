#pragma once

#include <QImage>
#include <QWidget>
#include <functional>
#include <string>

struct CK7QBldContext;
class CK7QBldDDData;
class CK7QBldMacro;
class QComboBox;
class QGridLayout;
class QLineEdit;
class QPushButton;

// Shows an image at its natural size, clipped inside a 1-pixel border;
// without one it shows nothing.
class CK7QBldPreviewButton : public QWidget {
  Q_OBJECT

 public:
  explicit CK7QBldPreviewButton(QWidget* parent = nullptr);
  void SetImage(const QImage& image);
  const QImage& Image() const { return m_image; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  QSize sizeHint() const override { return {160, 120}; }

 private:
  QImage m_image;
};

// What the three definition pages of the page-object sheet share: the
// banner, the function, table and column of the object, the condition
// value, the note and Set, which puts the object into the list page.
class CK7QBldDDPage : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kIdBanner = 1283;
  static constexpr int kIdFunction = 1342;
  static constexpr int kIdTable = 1350;
  static constexpr int kIdColumn = 1351;
  static constexpr int kIdValue = 1352;
  static constexpr int kIdNote = 1015;
  static constexpr int kIdSet = 1192;

  // Set; false when nothing was put into the list.
  bool OnSet();
  bool Modified() const { return m_modified; }
  int Kind() const { return m_kind; }

  // The file dialog of Browse (tests answer it): the chosen path, or empty.
  std::function<QString()> m_browse;

 protected:
  CK7QBldDDPage(CK7QBldContext& context, const CK7QBldMacro& macro, CK7QBldDDData& data, int kind,
                int id, QWidget* parent);

  // The replacement this page gives (its own checks and messages done);
  // false when it has none.
  virtual bool ReadReplacement(QString& replacement) = 0;
  // The grid rows below the common fields are the page's own.
  QGridLayout* Grid() const { return m_grid; }
  static constexpr int kFirstOwnRow = 6;
  int Message(unsigned id, bool yesNo = false);
  // Browse: asks for an image file; empty when none was chosen.
  QString BrowseImage();
  // Loads `path` into `preview`; false (an empty preview) when it is no image.
  static bool ShowPreview(CK7QBldPreviewButton* preview, const QString& path);

  CK7QBldContext& m_context;
  const CK7QBldMacro& m_macro;

 private:
  void FillTables();
  void FillColumns();

  CK7QBldDDData& m_data;
  int m_kind;
  QGridLayout* m_grid;
  QComboBox* m_function;
  QComboBox* m_table;
  QComboBox* m_column;
  QLineEdit* m_value;
  QLineEdit* m_note;
  QPushButton* m_set;
  bool m_modified = false;
};
