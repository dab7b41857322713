#include "frontend/report_data.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

#include "driver/public/app_id.h"
#include "driver/public/calendar.h"
#include "driver/public/first_app_date.h"
#include "driver/public/number_format.h"
#include "driver/public/ranking.h"
#include "driver/public/report_layout.h"
#include "driver/public/run_files.h"
#include "frontend/platform.h"
#include "frontend/report_reader.h"

namespace tarn::frontend {
namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

// A line of a run's file as its bytes, as the driver wrote it (TextLines decoded it).
std::string Bytes(const QString& line) { return line.toLocal8Bit().toStdString(); }

QString TrimRight(QString text) {
  while (text.endsWith(QLatin1Char(' '))) text.chop(1);
  return text;
}

QString PercentileText(double percentile) { return Text(fmt::F(percentile, 8, 2)).trimmed(); }

// Reads a run's results from its files and checks them against each other; the first
// problem found becomes the note.
class RunFilesReader {
 public:
  RunFilesReader(const QString& outputFolder, const QString& baseName)
      : folder_(outputFolder),
        summary_(folder_.filePath(Text(RunFileName(kSummaryReport, baseName.toStdString())))) {
    data_.outputFolder = outputFolder;
    data_.baseName = baseName;
  }

  RunReportData Read() {
    QString reason;
    const std::optional<QByteArray> text = ReadRegularFile(summary_, reason);
    if (!text) {
      return {std::nullopt, QStringLiteral("The summary report %1 was not found.")
                                .arg(QDir::toNativeSeparators(summary_))};
    }
    lines_ = TextLines(*text);
    if (ReadTable() && ReadRanking() && ReadFirstDates() && ReadLeaching()) return {data_, {}};
    return {std::nullopt, note_};
  }

 private:
  bool Fail(const QString& note) {
    note_ = note;
    return false;
  }

  // The line at `index` (or the end of the file) is not what the driver writes there.
  bool Inconsistent(int index) {
    return Fail(QStringLiteral("The summary report %1 is incomplete or inconsistent at line %2.")
                    .arg(QDir::toNativeSeparators(summary_))
                    .arg(index + 1));
  }

  QString CopyPath(int appId) const {
    return folder_.filePath(
        Text(AppIdFileName(data_.baseName.toStdString(), appId, kAppIdInput.name)));
  }

  int NumResults() const { return static_cast<int>(values_.size()); }

  // The table of collected results: one row per application id with every compound's value.
  bool ReadTable() {
    const auto heading = std::find_if(lines_.begin(), lines_.end(), [&](const QString& line) {
      return StartsAsResultTableHeading(Bytes(line));
    });
    if (heading == lines_.end()) {
      return Fail(QStringLiteral("The summary report %1 holds no results; the run may have ended "
                                 "with an error.")
                      .arg(QDir::toNativeSeparators(summary_)));
    }
    at_ = static_cast<int>(heading - lines_.begin());
    const std::optional<int> numCompounds = ParseResultTableHeading(Bytes(*heading));
    if (!numCompounds) return Inconsistent(at_);
    numCompounds_ = *numCompounds;
    for (++at_; at_ < lines_.size() && !lines_[at_].startsWith(QLatin1Char('*')); ++at_) {
      const std::optional<std::vector<double>> values =
          ParseResultTableRow(Bytes(lines_[at_]), NumResults() + 1, numCompounds_);
      if (!values) return Inconsistent(at_);
      for (double value : *values) {
        if (!std::isfinite(value)) {
          return Fail(QStringLiteral("The summary report %1 holds a concentration that is not a "
                                     "finite number at line %2.")
                          .arg(QDir::toNativeSeparators(summary_))
                          .arg(at_ + 1));
        }
      }
      values_.push_back(*values);
    }
    return NumResults() > 0 || Inconsistent(at_);
  }

  // The ranked table, one block per compound, against the ranking recomputed here. The
  // driver ranked the full values: among values equal in their four digits its order stands.
  bool ReadRanking() {
    while (at_ < lines_.size() && lines_[at_].startsWith(QLatin1Char('*'))) ++at_;
    const int n = NumResults();
    for (int k = 0; k < numCompounds_; ++k) {
      CompoundResults compound;
      std::vector<double> conc;
      for (int a = 1; a <= n; ++a) {
        const double value = values_[a - 1][k];
        conc.push_back(value);
        ApplicationResult result;
        result.appId = a;
        result.conc = value;
        result.concText = Text(ResultTableValue(value)).trimmed();
        compound.results.push_back(result);
      }
      const Ranking ranking = RankConcentrations(conc);
      std::vector<bool> ranked(n + 1, false);
      std::string nameField;
      for (int i = 0; i < n; ++i, ++at_) {
        if (at_ >= lines_.size()) return Inconsistent(at_);
        const std::string line = Bytes(lines_[at_]);
        const std::optional<RankedRowFields> fields = ParseRankedRow(line);
        if (i == 0 && fields) nameField = fields->nameField;
        const int appId = fields ? fields->appId : 0;
        if (appId < 1 || appId > n || ranked[appId] ||
            conc[appId - 1] != conc[ranking.rankAppId[i] - 1])
          return Inconsistent(at_);
        ranked[appId] = true;
        ApplicationResult& result = compound.results[appId - 1];
        result.rank = i + 1;
        result.percentile = ranking.percentile[i];
        result.worstCase = i == n - 1;
        if (line != RankedRow(i + 1, nameField, result.percentile, appId, result.conc))
          return Inconsistent(at_);
      }
      compound.name = TrimRight(QString::fromLocal8Bit(nameField));
      data_.compounds.push_back(compound);
    }
    return true;
  }

  // The first application date of every application id, from the first row of its model
  // input's table of applications.
  bool ReadFirstDates() {
    for (int appId = 1; appId <= NumResults(); ++appId) {
      const QString path = CopyPath(appId);
      QString reason;
      const std::optional<QByteArray> text = ReadRegularFile(path, reason);
      if (!text) {
        return Fail(QStringLiteral("The model input of application id %1 was not found: %2")
                        .arg(appId)
                        .arg(QDir::toNativeSeparators(path)));
      }
      const QStringList lines = TextLines(*text);
      qsizetype next = 0;
      const std::optional<std::string> row = FirstApplicationRow([&](std::string& line) {
        if (next == lines.size()) return false;
        line = Bytes(lines[next++]);
        return true;
      });
      const QString date = row ? QString::fromLocal8Bit(FirstAppDateOf(*row)) : QString();
      const std::optional<int> day = DayOfYear(date);
      if (!day) {
        return Fail(QStringLiteral("The first application date of application id %1 cannot be read "
                                   "from %2")
                        .arg(appId)
                        .arg(QDir::toNativeSeparators(path)));
      }
      for (CompoundResults& compound : data_.compounds) {
        compound.results[appId - 1].firstDate = date;
        compound.results[appId - 1].dayOfYear = *day;
      }
    }
    // A model input beyond the last result means that the results stop before the run did.
    const QString next = CopyPath(NumResults() + 1);
    if (QFile::exists(next)) {
      return Fail(QStringLiteral("The results stop at application id %1, but the run has a model "
                                 "input for the next one: %2")
                      .arg(NumResults())
                      .arg(QDir::toNativeSeparators(next)));
    }
    return true;
  }

  // The leaching section: the selection of every compound as the driver reported it.
  bool ReadLeaching() {
    for (; at_ < lines_.size() && lines_[at_] != QLatin1String(prLEACHstart); ++at_) {
      if (!lines_[at_].startsWith(QLatin1Char('*'))) return Inconsistent(at_);
    }
    if (at_ == lines_.size()) return Inconsistent(at_);
    QStringList expected;
    for (const CompoundResults& compound : data_.compounds) {
      const ApplicationResult& worst = compound.WorstCase();
      for (const std::string& line : LeachingLines(compound.name.toStdString(), worst.conc,
                                                   worst.appId, worst.firstDate.toStdString())) {
        expected << Text(line);
      }
    }
    expected << QStringLiteral("* ") << QLatin1String(prLEACHend);
    for (const QString& line : expected) {
      if (++at_ >= lines_.size() || lines_[at_] != line) return Inconsistent(at_);
    }
    return true;
  }

  QDir folder_;
  QString summary_;
  QStringList lines_;
  int at_ = 0;
  int numCompounds_ = 0;
  std::vector<std::vector<double>> values_;  // [application id - 1][compound]
  ReportData data_;
  QString note_;
};

}  // namespace

const ApplicationResult& CompoundResults::WorstCase() const {
  return *std::find_if(results.begin(), results.end(),
                       [](const ApplicationResult& result) { return result.worstCase; });
}

RunReportData LoadReportData(const QString& outputFolder, const QString& baseName) {
  return RunFilesReader(outputFolder, baseName).Read();
}

QString CsvField(const QString& text) {
  static const QRegularExpression special(QStringLiteral("[,\"\\r\\n]|^ | $"));
  if (!special.match(text).hasMatch()) return text;
  return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
         QLatin1Char('"');
}

std::optional<int> DayOfYear(const QString& date) { return DayInYear(date.toStdString()); }

QString PlainDecimal(const QString& tableText) {
  static const QRegularExpression exponentForm(QStringLiteral("^(-?)0\\.([0-9]+)E?([+-][0-9]+)$"));
  const QString text = tableText.trimmed();
  const QRegularExpressionMatch match = exponentForm.match(text);
  if (!match.hasMatch()) return text.endsWith(QLatin1Char('.')) ? text.chopped(1) : text;
  const QString sign = match.captured(1);
  const QString digits = match.captured(2);
  const int exponent = match.captured(3).toInt();
  if (exponent <= 0) return sign + QStringLiteral("0.") + QString(-exponent, '0') + digits;
  if (exponent >= digits.size()) return sign + digits + QString(exponent - digits.size(), '0');
  return sign + digits.left(exponent) + QLatin1Char('.') + digits.mid(exponent);
}

QByteArray ReportCsv(const ReportData& data) {
  QStringList rows = {
      QStringLiteral("ApplicationId,Compound,FirstApplicationDate,DayOfYear,"
                     "Concentration (ug/L),Rank,Percentile,SelectedWorstCase")};
  const size_t numResults = data.compounds.empty() ? 0 : data.compounds.front().results.size();
  for (size_t a = 0; a < numResults; ++a) {
    for (const CompoundResults& compound : data.compounds) {
      const ApplicationResult& result = compound.results[a];
      rows << QStringList({QString::number(result.appId), CsvField(compound.name), result.firstDate,
                           QString::number(result.dayOfYear), PlainDecimal(result.concText),
                           QString::number(result.rank), PercentileText(result.percentile),
                           result.worstCase ? QStringLiteral("1") : QStringLiteral("0")})
                  .join(QLatin1Char(','));
    }
  }
  return (rows.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
}

void WriteReportCsv(const QString& path, const ReportData& data) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(ReportCsv(data)) < 0 || !file.commit()) {
    throw std::runtime_error(QStringLiteral("Unable to write the CSV file %1: %2")
                                 .arg(QDir::toNativeSeparators(path), file.errorString())
                                 .toStdString());
  }
}

}  // namespace tarn::frontend
