#pragma once

// One output request as the window hands it over, with a plain sender and recipient: the print
// settings' test print and preview, the envelope tests and the benchmarks.

#include "record.h"
#include "request_fields.h"

#include <string>

inline Record sample_request(const std::string& format, const std::string& name = "王小明")
{
    using namespace request_key;
    Record r;
    r[request_key::format] = format;
    r[mailing_method] = std::string();
    r[sender_name] = std::string("陳大文");
    r[sender_postal_code] = std::string("106");
    r[sender_address] = std::string("臺北市大安區復興南路一段390號");
    r[folder] = std::string(output_folder);
    r[input_mode] = std::string("手動輸入模式");
    r[size_ratio] = 1LL;
    r[chinese_font] = std::string("微軟正黑體");
    r[latin_font] = std::string("Calibri");
    r[recipient_name] = name;
    r[recipient_postal_code] = std::string("403041");
    r[recipient_address] = std::string("臺中市西區民權路91號5樓");
    return r;
}
