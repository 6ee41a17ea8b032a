#pragma once

#include <string>

// What the core needs from the user interface. The GUI implements it with
// message boxes and the object tree; tests replace it with a scripted prompt;
// the command-line tool prints messages on standard error.

enum class K7QIcon { None, Information, Question, Exclamation, Stop };
enum class K7QButtons { Ok, OkCancel, YesNo, YesNoCancel };

// Answers as the platform's message boxes give them.
enum K7QAnswer : int { kIdOk = 1, kIdCancel = 2, kIdYes = 6, kIdNo = 7 };

// The caption of every box the builder shows is this string.
inline constexpr unsigned kIdsAppTitle = 128;

class IK7QBldUserInterface {
 public:
  virtual ~IK7QBldUserInterface() = default;

  // Text of string resource `id` from the language library, UTF-8; empty when missing.
  virtual std::string String(unsigned id) const = 0;

  // Shows `text` (UTF-8) in a box captioned with string 128 and returns the answer.
  // `id` is the message number the text came from, 0 for formatted reports.
  virtual int Prompt(unsigned id, const std::string& text, K7QIcon icon, K7QButtons buttons) = 0;

  // Marks the active document modified, if there is one.
  virtual void SetDocumentModified() = 0;

  // Moves the selection of the object tree; 0 when there is nothing to select.
  virtual int SelectNextObject() = 0;
  virtual int SelectPreviousObject() = 0;

  // The same box captioned with string `captionId` instead of 128. Where no
  // window shows a caption (tests, the console) it is Prompt.
  virtual int PromptCaptioned(unsigned captionId, unsigned id, const std::string& text,
                              K7QIcon icon, K7QButtons buttons) {
    (void)captionId;
    return Prompt(id, text, icon, buttons);
  }

  // Shows message `id` from the language library.
  int Message(unsigned id, K7QIcon icon = K7QIcon::Exclamation,
              K7QButtons buttons = K7QButtons::Ok) {
    return Prompt(id, String(id), icon, buttons);
  }
  // Shows message `id` under caption `captionId`.
  int MessageCaptioned(unsigned captionId, unsigned id, K7QIcon icon, K7QButtons buttons) {
    return PromptCaptioned(captionId, id, String(id), icon, buttons);
  }
};
