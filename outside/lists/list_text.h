#pragma once

// The text of a list file as offices save it: UTF-8 with or without its byte order mark,
// UTF-16 with one (Excel's "Unicode 文字"), or Big5 as Excel on Traditional-Chinese Windows saves
// its plain CSV (code page 950, with the Hong Kong additions). The encoding is told from the
// bytes: the byte order mark, then strict UTF-8, then Big5's byte structure. A file that is
// neither is refused with the offset of the first byte that fits neither; Big5 that might as
// well be another encoding (GBK fits Big5's structure too) is said to be a guess.

#include <QByteArray>
#include <QString>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// What a list cannot be read for, in one sentence for the user.
struct List_Error : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

enum class List_Encoding { utf8, utf8_bom, utf16le, utf16be, big5 };

struct List_Text
{
    QString text;
    List_Encoding encoding = List_Encoding::utf8;
    bool guessed = false; // Big5 read from bytes that another encoding would read too
    std::vector<std::string> warnings;
};

// Throws List_Error. `chosen` (UTF-8 or Big5), when given, is the user's: no guess is made.
List_Text decode_list_text(
    const QByteArray& bytes, std::optional<List_Encoding> chosen = std::nullopt);

// Big5 alone, as `decode_list_text` reads it: where a byte breaks Big5's structure, nothing is
// returned and `bad_offset` says where. Pairs that mean nothing become U+FFFD and are counted.
std::optional<QString> decode_big5(const QByteArray& bytes, qsizetype* bad_offset, int* unknown);

const char* encoding_name(List_Encoding encoding);

// Characters of the private-use areas: a font's own, which another computer may not have.
bool has_private_use(const QString& text);
