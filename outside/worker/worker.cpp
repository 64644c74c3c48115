#include "worker.h"

#include "platform.h"
#include "request_fields.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

void run_worker(Queue& requests, Event& busy, const Producer& produce)
{
    while (Item item = requests.take()) {
        busy.set();
        try {
            produce(*item);
        } catch (const std::exception& error) {
            platform::write_line(stderr, std::string("worker: a request failed: ") + error.what());
        } catch (...) {
            platform::write_line(stderr, "worker: a request failed");
        }
        busy.clear();
    }
}

void record_request(const Record& request)
{
    const std::filesystem::path folder
        = platform::local_path(std::get<std::string>(request.at(request_key::folder)));
    std::filesystem::create_directories(folder);
    std::ofstream file(folder / "requests.jsonl", std::ios::app | std::ios::binary);
    file << to_json_line(request) << '\n';
    file.flush();
    if (!file)
        throw std::runtime_error("cannot write " + (folder / "requests.jsonl").string());
}
