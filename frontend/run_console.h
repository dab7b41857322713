// Run console: the console stream of the headless mode while drivers run.
#pragma once

#include <QString>
#include <ostream>

namespace tarn::frontend {

// The console stream of a run: the driver's lines, and the live run log (unless left out), one
// line each as it happens; on a terminal the log is one progress line that rewrites itself
// instead, cleared before a line of the driver and drawn again after it.
class RunConsole {
 public:
  RunConsole(std::ostream& console, bool isTerminal, bool withLog)
      : console_(console), terminal_(isTerminal), withLog_(withLog) {}

  // A line of the driver (or of the headless mode itself), always written.
  void DriverLine(const QString& line);
  // A line of the live run log.
  void Logged(const QString& line);
  // The progress line.
  void Progress(const QString& text);
  bool IsTerminal() const { return terminal_; }
  // Leaves the line of the progress empty for what follows the run.
  void End() { Draw(QString()); }

 private:
  // Replaces the progress line shown by `text`, cut to the width of a narrow terminal.
  void Draw(const QString& text);

  static constexpr qsizetype kTerminalWidth = 80;
  std::ostream& console_;
  const bool terminal_;
  const bool withLog_;
  QString progress_;  // the progress line shown now
};

}  // namespace tarn::frontend
