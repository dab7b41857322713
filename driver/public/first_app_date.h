// Where an application id's first application date stands in its copy of the model input: the
// first word of the row after the line that names the Applications table. The driver reports the
// selected id's; the front end places every id in the year by it.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tarn {

// The row after the first line that holds "table Applications", read line by line from
// `nextLine` (false at the end): a line counts in its first 500 characters, the row in its first
// 250. Nothing when no row follows that line.
std::optional<std::string> FirstApplicationRow(const std::function<bool(std::string&)>& nextLine);

// The date of that row: its first word (blanks and tabs separate words) in its first 11
// characters; empty when the row has no word.
std::string FirstAppDateOf(std::string_view row);

}  // namespace tarn
