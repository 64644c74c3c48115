// The main window as a user meets it: what is on it and where, and how its life ends.

#include "toolkit.h"
#include "window_driver.h"

#include <QLabel>
#include <QMenu>
#include <QTest>

namespace {

int centre_x(QWidget* widget)
{
    return widget->mapTo(widget->window(), widget->rect().center()).x();
}

QRect in_window(QWidget* widget)
{
    return {widget->mapTo(widget->window(), QPoint(0, 0)), widget->size()};
}

} // namespace

class Tst_Main_Window : public QObject
{
    Q_OBJECT

private slots:
    void window_has_its_title_frames_and_logo_block()
    {
        Recorded_Channels channels;
        run_window(channels, [](QWidget* app) {
            QCOMPARE(app->windowTitle(), QStringLiteral("Pelderwick"));
            QVERIFY(!app->windowIcon().isNull());
            for (const char* name : {"FF", "AA", "BB", "DD", "frame[0]", "frame[1]", "frame[2]",
                     "frame[4]", "frame[5]"})
                QVERIFY2(find<QFrame>(app, QString::fromUtf8(name)) != nullptr, name);
            QCOMPARE(find<QFrame>(app, "frame[2]")->size(), QSize(300, 110));
            QCOMPARE(find<QFrame>(app, "frame[1]")->size(), QSize(395, 110));
            QCOMPARE(find<QFrame>(app, "frame[5]")->pos(), QPoint(10, 0));
            auto* logo = button(app, "logo.png");
            QVERIFY(logo != nullptr && !logo->isEnabled() && logo->text().isEmpty());
            QCOMPARE(logo->iconSize(), QSize(50, 50));
            QCOMPARE(button(app, "logo(僅文字).png")->iconSize(), QSize(120, 30));
            auto* title = find<QLabel>(app, "image_logo_text");
            QCOMPARE(title->text(), QStringLiteral("Pelderwick"));
            QCOMPARE(title->font().pixelSize(), 20);
            QVERIFY(title->font().bold());
        });
    }

    void window_cannot_be_resized()
    {
        Recorded_Channels channels;
        run_window(channels, [](QWidget* app) {
            const QSize size = app->size();
            QCOMPARE(app->minimumSize(), size);
            QCOMPARE(app->maximumSize(), size);
            app->resize(size + QSize(200, 100));
            QCOMPARE(app->size(), size);
        });
    }

    void recipient_table_has_three_columns_of_seven_rows()
    {
        Recorded_Channels channels;
        run_window(channels, [](QWidget* app) {
            const std::pair<const char*, int> columns[]
                = {{"收件人姓名", 100}, {"收件人郵遞區號", 150}, {"收件人地址", 350}};
            int left = -1;
            for (const auto& [label, width] : columns) {
                for (int row = 0; row < 7; ++row) {
                    QLineEdit* edit = cell(app, label, row);
                    QVERIFY(edit != nullptr);
                    QCOMPARE(edit->width(), width);
                    QVERIFY(edit->text().isEmpty());
                    QCOMPARE(edit->accessibleName(), edit->objectName());
                }
                QVERIFY(cell(app, label, 0)->x() > left);
                left = cell(app, label, 0)->x();
                QVERIFY(cell(app, label, 7) == nullptr);
            }
            QCOMPARE(app->findChildren<QLineEdit*>().size(), 21 + 3);
        });
    }

    void sender_form_reads_back_each_field_alone()
    {
        Recorded_Channels channels;
        run_window(channels, [](QWidget* app) {
            const char* labels[] = {"寄件人姓名", "寄件人郵遞區號", "寄件人地址"};
            int top = -1;
            for (const char* label : labels) {
                QVERIFY(field(app, label) != nullptr);
                QVERIFY(field(app, label)->y() > top);
                top = field(app, label)->y();
            }
            type_into(field(app, "寄件人郵遞區號"), "40341");
            QCOMPARE(field(app, "寄件人郵遞區號")->text(), QStringLiteral("40341"));
            QVERIFY(field(app, "寄件人姓名")->text().isEmpty());
            QVERIFY(field(app, "寄件人地址")->text().isEmpty());
        });
    }

    void buttons_stand_where_their_options_put_them()
    {
        Recorded_Channels channels;
        run_window(channels, [](QWidget* app) {
            auto* output = button(app, "輸出單據");
            QCOMPARE(output->text(), QStringLiteral("輸出單據"));
            QCOMPARE(output->width(), 140);
            // No row given: the first free row of its frame, under the empty frame.
            QVERIFY(in_window(output).top() > in_window(find<QFrame>(app, "frame[2]")).bottom());
            auto* help = button(app, "問號001.png");
            auto* folder = button(app, "資料夾.png");
            auto* gear = button(app, "齒輪.png");
            QVERIFY(centre_x(help) < centre_x(folder));
            QVERIFY(centre_x(folder) < centre_x(gear));
            QCOMPARE(help->y(), folder->y());
            QCOMPARE(help->iconSize(), QSize(25, 25));
            for (auto* icon_button : {help, folder, gear})
                QCOMPARE(icon_button->accessibleName(), icon_button->objectName());
            auto* trash = button(app, "垃圾桶.png");
            QCOMPARE(trash->iconSize(), QSize(20, 20));
            QVERIFY(in_window(find<QFrame>(app, "frame[0]")).contains(in_window(trash)));
        });
    }

    void format_menu_offers_six_formats_at_a_fixed_width()
    {
        Recorded_Channels channels;
        run_window(channels, [](QWidget* app) {
            auto* menu = find<Option_Menu>(app, "optionmenu_001");
            const QStringList expected
                = {"12K直式信封(11.5cm x 23cm)", "12K橫式信封(23cm x 11.5cm)",
                    "DL橫式信封(22cm x 11cm)", "12K直式信封(無框線)(11.5cm x 23cm)",
                    "12K橫式信封(無框線)(23cm x 11.5cm)", "西式信封(10cm x 22cm)"};
            QCOMPARE(menu->values(), expected);
            QCOMPARE(menu->get(), expected[0]);
            QCOMPARE(menu->width(), 200);
            QCOMPARE(menu->accessibleDescription(), expected[0]);
            menu->drop_down()->actions().at(4)->trigger();
            QCOMPARE(menu->get(), expected[4]);
            QCOMPARE(menu->accessibleDescription(), expected[4]);
            QCOMPARE(menu->width(), 200);
        });
    }

    void tab_walks_the_forms_then_the_buttons()
    {
        Recorded_Channels channels;
        run_window(channels, [](QWidget* app) {
            app->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(app));
            QWidget* first = field(app, "寄件人姓名");
            first->setFocus();
            QStringList visited;
            for (int step = 0; step < 30; ++step) {
                QVERIFY(QApplication::focusWidget() != nullptr);
                visited << QApplication::focusWidget()->objectName();
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            }
            QCOMPARE(visited.mid(0, 5),
                (QStringList {"寄件人姓名", "寄件人郵遞區號", "寄件人地址", "收件人姓名[0]",
                    "收件人郵遞區號[0]"}));
            QCOMPARE(visited.at(24), QStringLiteral("optionmenu_001"));
            QCOMPARE(visited.at(25), QStringLiteral("輸出單據"));
        });
    }

    void closing_hands_off_in_order_then_says_goodbye()
    {
        Recorded_Channels channels;
        Stdout_Capture output;
        run_window(channels, [](QWidget*) {});
        QCOMPARE(channels.journal->entries(),
            (std::vector<std::string> {"put end null", "set end", "put get_receipt null"}));
        QCOMPARE(output.lines(), std::vector<std::string> {"關閉程式"});
    }

    void hand_off_stops_at_a_bundle_without_end()
    {
        Recorded_Channels channels;
        Queue_Bundle queues; // "get_receipt" only
        queues.add("get_receipt", failing_queue(channels.journal, 0));
        Stdout_Capture output;
        QVERIFY_THROWS_EXCEPTION(
            std::out_of_range, run_window(queues, channels.events, [](QWidget*) {}));
        QVERIFY(channels.journal->entries().empty());
        QVERIFY(output.lines().empty());
    }

    void stand_alone_mode_touches_no_channel()
    {
        Stdout_Capture output;
        run_stand_alone_window([](QWidget* app) {
            type_into(cell(app, "收件人姓名", 0), "甲");
            click(button(app, "輸出單據"));
            QTest::qWait(1200); // two ticks: the placeholder event is asked and fails silently
            QCOMPARE(output_caption(app), QStringLiteral("輸出單據"));
        });
        const auto lines = output.lines();
        QCOMPARE(lines.size(), std::size_t(1));
        QCOMPARE(std::get<std::string>(record_from_json_line(lines[0]).at("收件人姓名")),
            std::string("甲"));
    }
};

QTEST_MAIN(Tst_Main_Window)
#include "tst_main_window.moc"
