// libFuzzer target for the size ratio's entry text and hint: no crash, no sanitizer report, and
// what the hint shows for a converted value reads back as that value times 100.

#include "size_ratio.h"

#include <QString>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<double> percent = percent_from_text(text);
    if (!percent)
        return 0;
    const double ratio = *percent / 100;
    const std::string hint = ratio_hint_text(ratio);
    if (hint == "-inf")
        return 0; // a sign before a word is refused by the entry rules, so "-inf" cannot return
    const std::optional<double> again = percent_from_text(QString::fromStdString(hint));
    if (!again)
        std::abort(); // the hint must always be a readable number
    const double expected = ratio * 100;
    const bool same = std::isnan(expected) ? std::isnan(*again)
                                           : std::memcmp(&expected, &*again, sizeof expected) == 0;
    if (!same)
        std::abort();
    return 0;
}
