#include "parameters.h"

Parameters::Parameters()
{
    parameters["顯示免用統一發票章"] = false;
    parameters["顯示負責人章"] = false;
    parameters["顯示日期"] = true;
    parameters["文字大小比例"] = 1LL;
    parameters["中文文字字體"] = std::string("微軟正黑體");
    parameters["英文文字字體"] = std::string("Calibri");
}
