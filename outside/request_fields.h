#pragma once

// The output request as the window hands it to the worker: its thirteen keys in field order, the
// six envelope formats of the format menu, and the output folder every request names. Written
// once here, so that the window, the worker, the tests and the benchmarks cannot drift apart.
// The same texts are the widgets' names: the sender form's fields and the recipient table's
// columns are labelled with their keys, and the settings record shares the three text keys.

#include <array>
#include <string>

namespace request_key {
inline constexpr char format[] = "信件格式";
inline constexpr char mailing_method[] = "郵寄方式";
inline constexpr char sender_name[] = "寄件人姓名";
inline constexpr char sender_postal_code[] = "寄件人郵遞區號";
inline constexpr char sender_address[] = "寄件人地址";
inline constexpr char folder[] = "存檔路徑";
inline constexpr char input_mode[] = "輸入模式";
inline constexpr char size_ratio[] = "文字大小比例";
inline constexpr char chinese_font[] = "中文文字字體";
inline constexpr char latin_font[] = "英文文字字體";
inline constexpr char recipient_name[] = "收件人姓名";
inline constexpr char recipient_postal_code[] = "收件人郵遞區號";
inline constexpr char recipient_address[] = "收件人地址";
} // namespace request_key

inline constexpr std::array<const char*, 13> request_keys
    = {request_key::format, request_key::mailing_method, request_key::sender_name,
        request_key::sender_postal_code, request_key::sender_address, request_key::folder,
        request_key::input_mode, request_key::size_ratio, request_key::chinese_font,
        request_key::latin_font, request_key::recipient_name, request_key::recipient_postal_code,
        request_key::recipient_address};

// In the format menu's order; the menu starts on the first.
inline constexpr std::array<const char*, 6> envelope_formats = {"12K直式信封(11.5cm x 23cm)",
    "12K橫式信封(23cm x 11.5cm)", "DL橫式信封(22cm x 11cm)", "12K直式信封(無框線)(11.5cm x 23cm)",
    "12K橫式信封(無框線)(23cm x 11.5cm)", "西式信封(10cm x 22cm)"};

// The value of "存檔路徑" in every request; the folder button opens the same folder, written for
// the file explorer.
inline constexpr char output_folder[] = "C:/brintlow/Pelderwick/";
inline constexpr char output_folder_for_explorer[] = "C:\\brintlow\\Pelderwick";

// The channels a host shares with the worker, by their names in both bundles: the requests and
// the busy event, and the shutdown hand-off.
namespace channel {
inline constexpr char receipt[] = "get_receipt";
inline constexpr char end[] = "end";
} // namespace channel

// The output button's name, whatever its caption shows meanwhile.
inline constexpr char output_button[] = "輸出單據";

// A recipient table cell's name: its column's label and its row, "收件人地址[2]".
inline std::string cell_name(const char* column, int row)
{
    return std::string(column) + "[" + std::to_string(row) + "]";
}
