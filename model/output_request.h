#pragma once

#include "record.h"

#include <string>
#include <vector>

// The output requests of one click: fields 1 to 10 from `shared`, then one request per filled
// row of the recipient table's columns (name, postal code, address). An empty first row still
// gives one request without a recipient. A cell counts as filled when it is not exactly "".
std::vector<Record> output_requests(
    const Record& shared, const std::vector<std::vector<std::string>>& columns);
