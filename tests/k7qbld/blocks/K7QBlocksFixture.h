#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <functional>
#include <memory>

#include "K7QBldFunction.h"
#include "K7QBldMessage.h"
#include "app/K7QDocumentFixture.h"

// A builder window on a copy of the shop profile, with the pages of the
// function and message blocks reached through the object tree.
class BlocksTest : public DocumentTest {
 protected:
  CK7QBldFunction* FunctionPage() {
    m_frame->FormView().SelectItem(CK7QBldFunction::kTreeCode, true);
    return qobject_cast<CK7QBldFunction*>(m_frame->FormView().CurrentPanel());
  }
  CK7QBldMessage* MessagePage() {
    m_frame->FormView().SelectItem(10, true);
    return qobject_cast<CK7QBldMessage*>(m_frame->FormView().CurrentPanel());
  }
  static QPushButton* Button(QWidget* window, int id) {
    QPushButton* button = window->findChild<QPushButton*>(QString::number(id));
    EXPECT_NE(button, nullptr) << id;
    return button;
  }

  // The sample report page with its four loops converted into the macro:
  // PRODUCT_TABLE (a table), CUSTOMER_ROWS, DESCRIPTIONS, PRODUCT_OPTIONS.
  void ConvertSampleReport() {
    const std::string page = Page(m_frame->MacroTitle(), kHtmlReport);
    std::filesystem::copy_file(
        std::filesystem::path(K7Q_SOURCE_DIR) / "data/tovra/samples/shop_report.htm", page,
        std::filesystem::copy_options::overwrite_existing);
    Macro().Report().Set({}, page);
    ASSERT_TRUE(K7QConvertAfterEditing(Macro(), page));
    Doc().SetModifiedFlag(false);
    m_f.ui.m_shown.clear();
  }

  // Runs `act` on the modal window of type T that the next command opens,
  // from inside its event loop. The window must close itself in `act`.
  template <typename T>
  void OnModal(std::function<void(T&)> act) {
    auto done = std::make_shared<bool>(false);
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act, done] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        T* window = qobject_cast<T*>(w);
        if (!window || !window->isVisible() || *done) continue;
        *done = true;
        timer->stop();
        timer->deleteLater();
        act(*window);
        return;
      }
    });
    timer->start();
  }

  static bool WaitUntil(const std::function<bool()>& condition, int ms = 10000) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
      if (clock.elapsed() > ms) return false;
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
      QThread::msleep(10);
    }
    return true;
  }
};
