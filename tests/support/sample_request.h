#pragma once

// One output request as the window hands it over, with a plain sender and recipient, for the
// envelope tests and the envelope benchmark.

#include "record.h"

#include <string>

inline Record sample_request(const std::string& format, const std::string& name = "王小明")
{
    Record r;
    r["信件格式"] = format;
    r["郵寄方式"] = std::string();
    r["寄件人姓名"] = std::string("陳大文");
    r["寄件人郵遞區號"] = std::string("106");
    r["寄件人地址"] = std::string("臺北市大安區復興南路一段390號");
    r["存檔路徑"] = std::string("C:/brintlow/Pelderwick/");
    r["輸入模式"] = std::string("手動輸入模式");
    r["文字大小比例"] = 1LL;
    r["中文文字字體"] = std::string("微軟正黑體");
    r["英文文字字體"] = std::string("Calibri");
    r["收件人姓名"] = name;
    r["收件人郵遞區號"] = std::string("403041");
    r["收件人地址"] = std::string("臺中市西區民權路91號5樓");
    return r;
}
