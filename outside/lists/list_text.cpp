#include "list_text.h"

#include <QList>
#include <QStringDecoder>
#include <QStringList>
#include <array>
#include <mutex>

extern const char big5_table[]; // generated from big5.txt

namespace {

constexpr int trails_per_lead = 157;

bool is_lead(unsigned char byte)
{
    return byte >= 0x81 && byte <= 0xFE;
}

int trail_index(unsigned char byte)
{
    if (byte >= 0x40 && byte <= 0x7E)
        return byte - 0x40;
    if (byte >= 0xA1 && byte <= 0xFE)
        return 63 + byte - 0xA1;
    return -1;
}

// The characters of every byte pair, by lead byte and trail index; read once.
const std::vector<char32_t>& big5_characters()
{
    static const std::vector<char32_t> characters = [] {
        std::vector<char32_t> all(std::size_t(0xFE - 0x81 + 1) * trails_per_lead, U'\uFFFD');
        const QStringList lines = QString::fromUtf8(big5_table).split(u'\n', Qt::SkipEmptyParts);
        for (const QString& line : lines) {
            if (line.startsWith(u'#'))
                continue;
            const int lead = line.left(2).toInt(nullptr, 16);
            const QList<uint> row = line.mid(3).toUcs4();
            for (qsizetype i = 0; i < row.size() && i < trails_per_lead && is_lead(uchar(lead));
                 ++i)
                all[std::size_t(lead - 0x81) * trails_per_lead + std::size_t(i)] = char32_t(row[i]);
        }
        return all;
    }();
    return characters;
}

std::optional<QString> strict_utf8(const QByteArray& bytes, qsizetype* bad_offset)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (!decoder.hasError())
        return text;
    // Where it went wrong: the first byte a strict reading refuses.
    for (qsizetype at = 0; at < bytes.size();) {
        const uchar b = uchar(bytes[at]);
        const int length = b < 0x80 ? 1
            : (b >> 5) == 6         ? 2
            : (b >> 4) == 14        ? 3
            : (b >> 3) == 30        ? 4
                                    : 0;
        QStringDecoder one(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        if (length == 0 || at + length > bytes.size()
            || (void(one.decode(bytes.mid(at, length))), one.hasError())) {
            *bad_offset = at;
            return std::nullopt;
        }
        at += length;
    }
    *bad_offset = 0;
    return std::nullopt;
}

// Big5 spreads its characters over trail bytes 40-7E and A1-FE alike, so about two pairs in
// five have a trail below 80. GBK's common characters (GB2312's) have both bytes from A1: read as
// Big5 they fit its structure, but with hardly a low trail among them.
bool looks_like_big5(const QByteArray& bytes)
{
    int pairs = 0;
    int low = 0;
    for (qsizetype at = 0; at + 1 < bytes.size(); ++at) {
        if (!is_lead(uchar(bytes[at])))
            continue;
        ++pairs;
        low += uchar(bytes[at + 1]) < 0x80 ? 1 : 0;
        ++at;
    }
    return pairs >= 8 ? low * 100 >= pairs * 15 : low > 0;
}

} // namespace

bool has_private_use(const QString& text)
{
    for (const char32_t c : text.toUcs4())
        if ((c >= 0xE000 && c <= 0xF8FF) || c >= 0xF0000)
            return true;
    return false;
}

namespace { } // namespace

std::optional<QString> decode_big5(const QByteArray& bytes, qsizetype* bad_offset, int* unknown)
{
    const std::vector<char32_t>& characters = big5_characters();
    std::u32string text;
    text.reserve(std::size_t(bytes.size()));
    *unknown = 0;
    for (qsizetype at = 0; at < bytes.size(); ++at) {
        const uchar b = uchar(bytes[at]);
        if (b < 0x80) {
            text += char32_t(b);
            continue;
        }
        const int trail = at + 1 < bytes.size() ? trail_index(uchar(bytes[at + 1])) : -1;
        if (!is_lead(b) || trail < 0) {
            *bad_offset = at;
            return std::nullopt;
        }
        const char32_t c = characters[std::size_t(b - 0x81) * trails_per_lead + std::size_t(trail)];
        *unknown += c == U'\uFFFD' ? 1 : 0;
        text += c;
        ++at;
    }
    return QString::fromUcs4(text.data(), qsizetype(text.size()));
}

namespace {

// The encoding the user chose: no guess, and its own errors.
List_Text decoded_as(const QByteArray& bytes, List_Encoding chosen)
{
    List_Text read;
    read.encoding = chosen;
    qsizetype bad = 0;
    int unknown = 0;
    if (chosen == List_Encoding::big5) {
        const auto text = decode_big5(bytes, &bad, &unknown);
        if (!text)
            throw List_Error(
                "這個檔案不是 Big5：第 " + std::to_string(bad) + " 個位元組（從 0 數起）不合 Big5");
        read.text = *text;
        if (unknown > 0)
            read.warnings.push_back(
                "有 " + std::to_string(unknown) + " 個 Big5 字碼不是已知的字，印成「\uFFFD」");
        return read;
    }
    const auto text = strict_utf8(bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes, &bad);
    if (!text)
        throw List_Error(
            "這個檔案不是 UTF-8：第 " + std::to_string(bad) + " 個位元組（從 0 數起）不合 UTF-8");
    read.text = *text;
    return read;
}

} // namespace

List_Text decode_list_text(const QByteArray& bytes, std::optional<List_Encoding> chosen)
{
    if (chosen && (*chosen == List_Encoding::big5 || *chosen == List_Encoding::utf8))
        return decoded_as(bytes, *chosen);
    List_Text read;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        read.text = decoder.decode(bytes.mid(3));
        read.encoding = List_Encoding::utf8_bom;
        if (decoder.hasError())
            throw List_Error("檔案開頭說是 UTF-8，內容卻有不是 UTF-8 的位元組");
    } else if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        const bool little = bytes.startsWith("\xFF\xFE");
        QStringDecoder decoder(little ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
            QStringDecoder::Flag::Stateless);
        read.text = decoder.decode(bytes.mid(2));
        read.encoding = little ? List_Encoding::utf16le : List_Encoding::utf16be;
        if (decoder.hasError() || bytes.size() % 2 != 0)
            throw List_Error("檔案開頭說是 UTF-16（Unicode 文字），內容卻不完整");
    } else {
        qsizetype utf8_bad = 0;
        if (auto text = strict_utf8(bytes, &utf8_bad)) {
            read.text = *text;
        } else {
            qsizetype big5_bad = 0;
            int unknown = 0;
            auto big5 = decode_big5(bytes, &big5_bad, &unknown);
            // Where the reading that came further stopped: a UTF-8 file with one bad byte is
            // told by that byte, not by where Big5 gave up near its start.
            if (!big5)
                throw List_Error("看不出這個檔案的編碼：第 "
                    + std::to_string(std::max(big5_bad, utf8_bad))
                    + " 個位元組（從 0 數起）既不是 UTF-8 也不是 Big5。請在 Excel 另存成「CSV "
                      "UTF-8」");
            read.text = *big5;
            read.encoding = List_Encoding::big5;
            read.guessed = !looks_like_big5(bytes);
            if (unknown > 0)
                read.warnings.push_back(
                    "有 " + std::to_string(unknown) + " 個 Big5 字碼不是已知的字，印成「\uFFFD」");
        }
    }
    if (has_private_use(read.text))
        read.warnings.push_back("名單裡有造字區（私用區）的字，在別台電腦或印表機上可能印不出來");
    return read;
}

const char* encoding_name(List_Encoding encoding)
{
    switch (encoding) {
    case List_Encoding::utf8:
        return "UTF-8";
    case List_Encoding::utf8_bom:
        return "UTF-8（有 BOM）";
    case List_Encoding::utf16le:
        return "UTF-16LE（Unicode 文字）";
    case List_Encoding::utf16be:
        return "UTF-16BE";
    case List_Encoding::big5:
        return "Big5（CP950）";
    }
    return "";
}
