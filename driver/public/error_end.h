// How the driver's error end shows on its console, for both programs: the front end tells by it
// that no model run goes on any more.
#pragma once

namespace tarn {

// The console line that opens the driver's error end, followed by the run id. The driver writes it
// only once no model run goes on.
inline constexpr char kErrorFoundLine[] = " An error was found in run ";

}  // namespace tarn
