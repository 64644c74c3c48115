#include "capture.h"

#include "lines.h"
#include "test_platform.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <QUuid>
#include <cstdio>

namespace {

// Whatever the program has handed over for its standard streams so far, out of its hands.
void written_out()
{
    finish_lines(std::chrono::seconds(60));
    std::fflush(nullptr);
}

} // namespace

QByteArray unix_line_ends(QByteArray output)
{
    return output.replace("\r\n", "\n");
}

Stdout_Capture::Stdout_Capture(int fd)
    : fd_(fd)
    , path_(QDir::temp().filePath(
          QStringLiteral("capture-") + QUuid::createUuid().toString(QUuid::Id128)))
{
    written_out();
    former_ = test_platform::redirect_into_file(fd_, path_);
}

Stdout_Capture::~Stdout_Capture()
{
    written_out();
    const bool show = QTest::currentTestFailed() && fd_ == 1;
    const std::vector<std::string> captured = show ? lines() : std::vector<std::string>();
    test_platform::restore(fd_, former_);
    // The test's own report went into the capture too: show it.
    for (const std::string& line : captured)
        std::fprintf(stderr, "captured: %s\n", line.c_str());
    QFile::remove(path_);
}

std::vector<std::string> Stdout_Capture::lines()
{
    written_out();
    QFile file(path_);
    std::vector<std::string> result;
    if (!file.open(QIODevice::ReadOnly))
        return result;
    for (QByteArray line : file.readAll().split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        result.push_back(line.toStdString());
    }
    if (!result.empty() && result.back().empty())
        result.pop_back(); // after the last line end
    return result;
}
