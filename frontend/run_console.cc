#include "frontend/run_console.h"

#include <algorithm>
#include <string>

#include "frontend/command_line.h"

namespace tarn::frontend {

void RunConsole::DriverLine(const QString& line) {
  const QString progress = progress_;
  Draw(QString());
  WriteLine(console_, line);
  Draw(progress);
}

void RunConsole::Logged(const QString& line) {
  if (!withLog_ || terminal_) return;
  WriteLine(console_, line);
  console_.flush();
}

void RunConsole::Progress(const QString& text) {
  if (withLog_ && terminal_) Draw(text);
}

void RunConsole::Draw(const QString& text) {
  if (progress_.isEmpty() && text.isEmpty()) return;
  const QString shown = text.left(kTerminalWidth - 1);
  const qsizetype blanks = std::max<qsizetype>(0, progress_.size() - shown.size());
  console_ << '\r' << shown.toLocal8Bit().constData() << std::string(blanks, ' ')
           << (shown.isEmpty() ? "\r" : "") << std::flush;
  progress_ = shown;
}

}  // namespace tarn::frontend
