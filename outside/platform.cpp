#include "platform.h"

#include "platform_native.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QUrl>
#include <stdexcept>
#include <utility>

namespace platform {

namespace {

std::function<void(const std::string&)> process_starter;
std::function<bool(const std::string&)> url_opener;

bool open_native_url(const std::string& url)
{
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
        throw std::runtime_error("no GUI application to open " + url);
    return QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

} // namespace

std::string template_path(const char* literal)
{
    return module_directory() + literal;
}

void start_process(const std::string& command_line)
{
    if (process_starter) {
        process_starter(command_line);
        return;
    }
    // The explorer is shown the output folder even before anything was made there.
    const std::string explorer = "explorer ";
    if (command_line.starts_with(explorer)) {
        try {
            make_output_folder(local_path(command_line.substr(explorer.size())));
        } catch (const std::exception&) {
            // The explorer says what is wrong with the folder.
        }
    }
    start_native_process(command_line);
}

bool open_url(const std::string& url)
{
    return url_opener ? url_opener(url) : open_native_url(url);
}

void set_process_starter(std::function<void(const std::string&)> starter)
{
    process_starter = std::move(starter);
}

void set_url_opener(std::function<bool(const std::string&)> opener)
{
    url_opener = std::move(opener);
}

} // namespace platform
