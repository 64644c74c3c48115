// Saves a picture of the list window with a list loaded, as a user sees it once its rows are
// checked. Usage: list_window_picture <list file> <picture.png>

#include "list_window.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    if (argc < 3) {
        std::fputs("usage: list_window_picture LIST PICTURE.png\n", stderr);
        return 2;
    }
    QWidget* window = make_list_window({[](const std::string&, const std::string&) {}, {}},
        QString::fromLocal8Bit(argv[1]));
    window->show();
    int status = 1;
    QTimer::singleShot(3000, [&] {
        status = window->grab().save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
        window->close();
        application.quit();
    });
    application.exec();
    return status;
}
