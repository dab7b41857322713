// Report reader: the run's text files, read without ever waiting, and the header and leaching
// sections of the driver's summary report, found by its marker lines
// (driver/public/report_layout.h).
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace tarn::frontend {

// The whole content of the file `path` (through a link, too), read as the driver reads its
// inputs: only a regular file is read, never a FIFO, a device or a folder, and nothing waits.
// Nothing, with `reason` set to why ("it is not a regular file" or "it cannot be read (<the
// system's reason>)"), when it cannot be read.
std::optional<QByteArray> ReadRegularFile(const QString& path, QString& reason);

// The lines of a text file's bytes in the system's code page; lines end with LF or CR LF, and
// a final line end does not start another line.
QStringList TextLines(const QByteArray& text);

// Each section of `lines` from its start marker line through its end marker line, followed by
// an empty line; lines outside the sections are dropped. Markers match case-sensitively
// anywhere in a line.
QStringList ExtractReportSections(const QStringList& lines);

// The sections of the summary report at `path`; nothing when it is no regular file that can be
// read.
std::optional<QStringList> ReadReportSections(const QString& path);

}  // namespace tarn::frontend
