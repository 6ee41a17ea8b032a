#pragma once

#include <gd.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include "K7QBldCp932.h"
#include "K7QBldDBReptCtrl.h"
#include "K7QBldDBSheet.h"
#include "K7QBldDBTableColumn.h"
#include "K7QBldDBTreeCtrl.h"
#include "K7QBldDBTreeModel.h"
#include "app/K7QDocumentFixture.h"

// A builder window on a copy of the shop profile, with its database sheet.
class SheetTest : public DocumentTest {
 protected:
  CK7QBldDBSheet* Sheet() { return m_frame->FormView().DatabaseSheet(); }
  CK7QBldDBTableColumn* Columns() { return Sheet()->ColumnPage(); }
  CK7QBldDBReptCtrl* Repeat() { return Sheet()->RepeatPage(); }
  template <typename T>
  T* Control(QWidget* page, int id) {
    return page->findChild<T*>(QString::number(id));
  }
  // Selects column `column` of table `table` (profile order) in the tree.
  void SelectColumn(int table, int column) {
    CK7QBldDBTreeModel* model = Columns()->Model();
    const QModelIndex index = model->ColumnIndex(table, column);
    ASSERT_TRUE(index.isValid());
    Columns()->Tree()->setCurrentIndex(index);
  }
  QString Label(int id) { return Control<QLabel>(Columns(), id)->text(); }
  // The fragment as UTF-8, for readable expectations.
  std::string Utf8(const std::string& cp932) { return K7QCp932::ToUtf8(cp932); }
};

// A w x h GIF of one colour, written with libgd.
inline void K7QWriteGif(const std::string& path, int w, int h, int rgb) {
  gdImagePtr im = gdImageCreate(w, h);
  const int c = gdImageColorAllocate(im, (rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
  gdImageFilledRectangle(im, 0, 0, w - 1, h - 1, c);
  int size = 0;
  void* data = gdImageGifPtr(im, &size);
  K7QWriteFile(path, std::string(static_cast<const char*>(data), static_cast<std::size_t>(size)));
  gdFree(data);
  gdImageDestroy(im);
}
