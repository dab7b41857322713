// Export target: where the results of a run may be exported. Never onto a file that a run reads
// or runs, however that file is named, nor into the output folder, which the next run empties.
#pragma once

#include <QString>
#include <optional>

#include "frontend/run_preparation.h"

namespace tarn::frontend {

// Nothing when an export of the run of `settings` may write `path`; else the message that
// refuses it, which names what is `exported`. Refused are the model input, its companions (the
// first *.bot and *.met of its folder), the model executable, the driver and the model launcher,
// each compared as the same file (links and hard links count), and every path in the output folder
// or below it.
std::optional<QString> ExportRefusal(const QString& path, const RunSettings& settings,
                                     const QString& exported = QStringLiteral("the results"));

}  // namespace tarn::frontend
