#include "parameters.h"

#include "request_fields.h"

Parameters::Parameters()
{
    parameters["顯示免用統一發票章"] = false;
    parameters["顯示負責人章"] = false;
    parameters["顯示日期"] = true;
    // The three settings a request carries, under the request's own keys.
    parameters[request_key::size_ratio] = 1LL;
    parameters[request_key::chinese_font] = std::string("微軟正黑體");
    parameters[request_key::latin_font] = std::string("Calibri");
}
