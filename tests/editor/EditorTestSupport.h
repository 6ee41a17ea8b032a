#pragma once

#include <QMessageBox>
#include <QString>
#include <deque>
#include <memory>
#include <utility>
#include <vector>

#include "K7QBldEditMainFrm.h"

// Records the boxes the editor shows and answers them from a queue
// (afterwards with Ok), so tests see the messages without a modal loop.
struct SK7QPromptLog {
  struct Shown {
    QMessageBox::Icon icon;
    QString text;
  };
  std::vector<Shown> shown;
  std::deque<QMessageBox::StandardButton> answers;

  K7QEditPrompt Prompt() {
    return [this](QMessageBox::Icon icon, const QString& text, QMessageBox::StandardButtons) {
      shown.push_back({icon, text});
      if (answers.empty()) return QMessageBox::Ok;
      const QMessageBox::StandardButton answer = answers.front();
      answers.pop_front();
      return answer;
    };
  }
};

inline QString Q(const std::string& s) { return QString::fromStdString(s); }
