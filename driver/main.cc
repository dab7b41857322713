// TARN_DoduVovuv: chooses the application date of a plant-protection product by running the
// leaching model once per candidate first-application day and ranking the results.
#include <iostream>
#include <string>
#include <vector>

#include "driver/driver.h"

int main(int argc, char** argv) {
  tarn::Runtime rt(std::vector<std::string>(argv, argv + argc), std::cout, std::cerr,
                   tarn::Console::Standard());
  tarn::CatchStopRequests();
  try {
    tarn::RunDriver(rt);
  } catch (const tarn::ProgramStop&) {
  } catch (const std::exception& unexpected) {
    // Only what went wrong while the run was already ending in error reaches this.
    std::cerr << unexpected.what() << '\n' << tarn::kErrorEndText << std::endl;
  }
  // Success or failure is told by the files left in the run folder, never by the exit status.
  return 0;
}
