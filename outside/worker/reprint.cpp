#include "reprint.h"

#include "request_fields.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <stdexcept>

namespace {

struct Logged_Line
{
    int number; // from 1
    Record entry;
};

std::vector<Logged_Line> read_log(const std::string& log_path)
{
    std::ifstream log(log_path, std::ios::binary);
    if (!log)
        throw std::runtime_error("讀不到輸出紀錄 " + log_path);
    std::vector<Logged_Line> lines;
    int number = 0;
    for (std::string line; std::getline(log, line);) {
        ++number;
        try {
            lines.push_back({number, record_from_json_line(line)});
        } catch (const std::exception&) {
            // A torn line names nothing.
        }
    }
    return lines;
}

std::string text(const Record& entry, const char* key)
{
    return entry.contains(key) && std::holds_alternative<std::string>(entry.at(key))
        ? std::get<std::string>(entry.at(key))
        : std::string();
}

bool made_envelope(const Record& entry)
{
    return entry.contains(request_key::recipient_name) && text(entry, "結果") == "已輸出";
}

Logged_Envelope envelope_of(const Record& entry)
{
    Logged_Envelope envelope;
    for (const char* key : request_keys)
        envelope.request[key] = entry.at(key);
    envelope.file = text(entry, "檔案");
    return envelope;
}

int number_in(std::string_view text)
{
    int number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || number <= 0)
        throw std::runtime_error("「" + std::string(text) + "」不是正整數");
    return number;
}

std::vector<std::string> files_of_job(const std::vector<Logged_Line>& lines, int job)
{
    for (const Logged_Line& line : lines) {
        const Record& entry = line.entry;
        if (entry.contains("列印工作") && entry.contains("檔案")
            && std::get<long long>(entry.at("列印工作")) == job) {
            std::vector<std::string> files;
            const std::string all = text(entry, "檔案");
            for (std::size_t start = 0; start <= all.size();) {
                const std::size_t end = std::min(all.find('\n', start), all.size());
                files.push_back(all.substr(start, end - start));
                start = end + 1;
            }
            return files;
        }
    }
    throw std::runtime_error("輸出紀錄裡沒有列印工作 " + std::to_string(job));
}

} // namespace

std::vector<Logged_Envelope> logged_envelopes(const std::string& log_path, const std::string& what)
{
    const std::vector<Logged_Line> lines = read_log(log_path);
    std::vector<Logged_Envelope> found;
    if (what.starts_with("line:")) {
        const std::string range = what.substr(5);
        const std::size_t dash = range.find('-');
        const int first = number_in(range.substr(0, dash));
        const int last = dash == std::string::npos ? first : number_in(range.substr(dash + 1));
        for (const Logged_Line& line : lines) {
            if (line.number >= first && line.number <= last && made_envelope(line.entry))
                found.push_back(envelope_of(line.entry));
        }
        if (found.empty())
            throw std::runtime_error("輸出紀錄的第 " + range + " 行沒有做好的信封");
        return found;
    }
    std::vector<std::string> files;
    if (what.starts_with("job:")) {
        files = files_of_job(lines, number_in(what.substr(4)));
    } else {
        // A path ending in the file's name names it.
        const std::size_t slash = what.find_last_of("/\\\\");
        files.push_back(slash == std::string::npos ? what : what.substr(slash + 1));
    }
    for (const std::string& file : files) {
        const auto line = std::find_if(lines.rbegin(), lines.rend(), [&](const Logged_Line& each) {
            return made_envelope(each.entry) && text(each.entry, "檔案") == file;
        });
        if (line == lines.rend())
            throw std::runtime_error("輸出紀錄裡沒有信封「" + file + "」");
        found.push_back(envelope_of(line->entry));
    }
    return found;
}
