#include "envelope_value.h"

#include "fonts.h"
#include "request_fields.h"
#include "visible_text.h"

#include <cmath>

namespace {

std::string text_of(const Record& request, const char* key)
{
    return std::get<std::string>(request.at(key));
}

QString qtext(const Record& request, const char* key)
{
    return visible_text(QString::fromStdString(text_of(request, key)));
}

// The ratio as the request gives it; one that is not a positive number is taken as 1 (sizes
// then follow the layout's own), and any other is kept within the page by the text setting.
double size_ratio(const Record& request, std::vector<Warning>& warnings)
{
    const Value& value = request.at(request_key::size_ratio);
    double ratio = std::holds_alternative<double>(value) ? std::get<double>(value)
        : std::holds_alternative<long long>(value)       ? double(std::get<long long>(value))
                                                         : std::nan("");
    if (std::isnan(ratio))
        warnings.push_back({"文字大小比例不是數字，已改用 100%"});
    else if (ratio <= 0)
        warnings.push_back({"文字大小比例不是正數，已改用 100%"});
    else if (std::isinf(ratio))
        warnings.push_back({"文字大小比例太大，已改用 100%"});
    return std::isfinite(ratio) && ratio > 0 ? ratio : 1;
}

Envelope_Party party(const Record& request, const char* name, const char* code, const char* address,
    const char* whose)
{
    Envelope_Party read;
    read.name_typed = qtext(request, name);
    read.name = name_parts(read.name_typed);
    read.address = qtext(request, address);
    read.code = read_postal_code(qtext(request, code), read.address, whose);
    return read;
}

} // namespace

Envelope_Value read_envelope(const Record& request)
{
    Envelope_Value value;
    value.format = envelope_format(text_of(request, request_key::format));
    value.chinese = font_named(text_of(request, request_key::chinese_font));
    value.latin = font_named(text_of(request, request_key::latin_font));
    value.ratio = size_ratio(request, value.warnings);
    value.recipient = party(request, request_key::recipient_name,
        request_key::recipient_postal_code, request_key::recipient_address, "收件人");
    value.sender = party(request, request_key::sender_name, request_key::sender_postal_code,
        request_key::sender_address, "寄件人");
    value.has_recipient = !text_of(request, request_key::recipient_name).empty()
        || !text_of(request, request_key::recipient_address).empty()
        || !text_of(request, request_key::recipient_postal_code).empty();
    for (const Envelope_Party* p : {&value.recipient, &value.sender}) {
        value.any_han = value.any_han || has_han(p->name_typed) || has_han(p->address);
        if (p->code.warning)
            value.warnings.push_back({*p->code.warning});
    }
    return value;
}
