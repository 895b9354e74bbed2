// Every field of the settings record as "Name=value" lines, for administrators' checks.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "app/settings.h"

namespace orbeta {

// One pair per field, in the order the settings load reads them: flags as 0/1, lists joined
// by ";", link buttons and launcher slots one line per member ("LinkButtons[1].Name").
// Texts stay Windows-1252.
std::vector<std::pair<std::string, std::string>> DescribeSettings(const TSettings& settings);

}  // namespace orbeta
