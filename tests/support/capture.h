#pragma once

// Captures what is written to standard output (or another descriptor) while it lives.

#include <QByteArray>
#include <QString>
#include <string>
#include <vector>

// A program's output with Windows' "\r\n" line ends read as "\n".
QByteArray unix_line_ends(QByteArray output);

class Stdout_Capture
{
public:
    explicit Stdout_Capture(int fd = 1);
    ~Stdout_Capture();
    Stdout_Capture(const Stdout_Capture&) = delete;
    Stdout_Capture& operator=(const Stdout_Capture&) = delete;

    // The lines so far, without their line ends ("\n" or Windows' "\r\n").
    std::vector<std::string> lines();

private:
    int fd_;
    QString path_;
    int former_;
};
