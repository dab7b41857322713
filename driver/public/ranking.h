// The ranking of a compound's concentrations over the application ids, with percentiles: the
// driver ranks its results by it, the front end ranks what it reads back from a report so too.
#pragma once

#include <vector>

namespace tarn {

// The ranking of one compound: position i (from 0) holds the i-th lowest concentration, its
// percentile and the application id that produced it.
struct Ranking {
  std::vector<double> conc;
  std::vector<double> percentile;
  std::vector<int> rankAppId;
};

// The ranking of the concentrations of application ids 1, 2, ... (conc[0] is id 1's): from the
// lowest to the highest by an exchange sort, which fixes the order of equal values (a NaN never
// moves), each position i (from 0) with its Hazen percentile (i + 0.5) / N * 100.
Ranking RankConcentrations(const std::vector<double>& conc);

}  // namespace tarn
