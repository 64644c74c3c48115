// libFuzzer target for list files, which are untrusted input: any bytes read as a text list
// (encoding told, CSV parsed), as vCards, or as a workbook's shared strings and sheet either give rows or a
// sentence (List_Error), never a crash, a sanitizer report or more rows than a list may have.

#include "list_file.h"
#include "vcard.h"
#include "xlsx.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const List_Table table = read_list_text(bytes);
        if (table.rows.size() > most_list_rows)
            std::abort();
    } catch (const List_Error&) {
    }
    try {
        const List_Table cards = read_vcard(bytes);
        if (cards.rows.size() > most_list_rows + 1)
            std::abort();
    } catch (const List_Error&) {
    }
    try {
        const QStringList shared = shared_strings(bytes);
        const auto rows = sheet_rows(bytes, shared, 100);
        if (rows.size() > 100)
            std::abort();
    } catch (const List_Error&) {
    }
    return 0;
}
