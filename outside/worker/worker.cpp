#include "worker.h"

#include "lines.h"

#include <exception>

void run_worker(Queue& requests, Event& busy, const Producer& produce)
{
    while (Item item = requests.take()) {
        busy.set();
        try {
            produce(*item);
        } catch (const std::exception& error) {
            report_line(std::string("worker: a request failed: ") + error.what());
        } catch (...) {
            report_line("worker: a request failed");
        }
        busy.clear();
    }
}
