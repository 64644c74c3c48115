// What printers say of themselves (IPP's printer-state-reasons), in the user's words.

#include "print_jobs.h"

#include <array>
#include <string_view>

namespace {

struct Reason_Words
{
    std::string_view keyword; // without its "-error", "-warning" or "-report"
    const char* words; // nullptr: not worth telling
};

constexpr std::array<Reason_Words, 22> reason_words = {{
    {"none", nullptr},
    {"media-empty", "缺紙"},
    {"media-needed", "要放紙（手動送紙或信封匣）"},
    {"media-jam", "卡紙"},
    {"media-low", "紙快用完了"},
    {"toner-empty", "碳粉用完了"},
    {"toner-low", "碳粉快用完了"},
    {"marker-supply-empty", "墨水或碳粉用完了"},
    {"marker-supply-low", "墨水或碳粉快用完了"},
    {"marker-waste-full", "廢墨或廢粉滿了"},
    {"door-open", "機蓋開著"},
    {"cover-open", "機蓋開著"},
    {"interlock-open", "機蓋開著"},
    {"input-tray-missing", "紙匣沒有裝好"},
    {"output-area-full", "出紙匣滿了"},
    {"output-tray-missing", "出紙匣沒有裝好"},
    {"offline", "離線了"},
    {"paused", "被暫停了（要有人讓它繼續）"},
    {"shutdown", "關機了"},
    {"timed-out", "沒有回應"},
    {"connecting-to-device", "正在連線"},
    {"cups-missing-filter", "少了轉換這種文件的程式"},
}};

std::string_view without_severity(std::string_view keyword)
{
    for (const std::string_view suffix : {"-error", "-warning", "-report"}) {
        if (keyword.ends_with(suffix))
            return keyword.substr(0, keyword.size() - suffix.size());
    }
    return keyword;
}

} // namespace

std::string printer_reasons_in_words(const std::vector<std::string>& keywords)
{
    std::string words;
    for (const std::string& keyword : keywords) {
        const std::string_view bare = without_severity(keyword);
        std::string said = "回報了問題（" + std::string(bare) + "）";
        for (const Reason_Words& known : reason_words) {
            if (known.keyword == bare)
                said = known.words != nullptr ? known.words : "";
        }
        if (!said.empty() && words.find(said) == std::string::npos)
            words += (words.empty() ? "" : "、") + said;
    }
    return words;
}
