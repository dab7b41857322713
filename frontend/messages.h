// Messages: how the front end tells its user about a problem and asks for a decision. The
// dialog shows message boxes; the headless mode writes to standard error; tests answer them.
#pragma once

#include <QString>

namespace tarn::frontend {

class Messages {
 public:
  virtual ~Messages() = default;
  // An error message with an OK button.
  virtual void ShowError(const QString& text) = 0;
  // The button a confirmation answers when the user only presses Enter.
  enum class Default { kOk, kCancel };
  // A confirmation with OK and Cancel; true for OK.
  virtual bool Confirm(const QString& text, Default defaultButton) = 0;
};

}  // namespace tarn::frontend
