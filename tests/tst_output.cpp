// Pressing "輸出單據": one request per filled recipient row, as typed, to the worker's queue.

#include "state.h"
#include "window_driver.h"

#include <QMenu>
#include <QTest>

namespace {

std::string text_of(const Record& request, const char* key)
{
    return std::get<std::string>(request.at(key));
}

void fill_sender(QWidget* app)
{
    type_into(field(app, "寄件人姓名"), "陳大文");
    type_into(field(app, "寄件人郵遞區號"), "106");
    type_into(field(app, "寄件人地址"), "臺北市大安區復興南路一段1號");
}

} // namespace

class Tst_Output : public QObject
{
    Q_OBJECT

private slots:
    void filled_rows_become_requests_in_row_order()
    {
        Recorded_Channels channels;
        Stdout_Capture output;
        run_window(channels, [](QWidget* app) {
            fill_sender(app);
            type_into(cell(app, "收件人姓名", 0), "王小明");
            type_into(cell(app, "收件人郵遞區號", 0), "40341");
            type_into(cell(app, "收件人地址", 0), "臺中市西區民權路1號");
            type_into(cell(app, "收件人姓名", 1), "李四");
            type_into(cell(app, "收件人地址", 3), "高雄市");
            find<Option_Menu>(app, "optionmenu_001")->drop_down()->actions().at(2)->trigger();
            click(button(app, "輸出單據"));
        });
        const auto requests = channels.journal->requests();
        QCOMPARE(requests.size(), std::size_t(3));
        const std::vector<std::string> keys = {"信件格式", "郵寄方式", "寄件人姓名",
            "寄件人郵遞區號", "寄件人地址", "存檔路徑", "輸入模式", "文字大小比例", "中文文字字體",
            "英文文字字體", "收件人姓名", "收件人郵遞區號", "收件人地址"};
        for (const Record& request : requests) {
            QCOMPARE(request.keys(), keys);
            QCOMPARE(text_of(request, "信件格式"), std::string("DL橫式信封(22cm x 11cm)"));
            QCOMPARE(text_of(request, "郵寄方式"), std::string());
            QCOMPARE(text_of(request, "寄件人姓名"), std::string("陳大文"));
            QCOMPARE(text_of(request, "寄件人郵遞區號"), std::string("106"));
            QCOMPARE(text_of(request, "寄件人地址"), std::string("臺北市大安區復興南路一段1號"));
            QCOMPARE(text_of(request, "存檔路徑"), std::string("C:/brintlow/Pelderwick/"));
            QCOMPARE(text_of(request, "輸入模式"), std::string("手動輸入模式"));
            QCOMPARE(request.at("文字大小比例"), Value(1LL));
            QCOMPARE(text_of(request, "中文文字字體"), std::string("微軟正黑體"));
            QCOMPARE(text_of(request, "英文文字字體"), std::string("Calibri"));
        }
        QCOMPARE(text_of(requests[0], "收件人郵遞區號"), std::string("40341"));
        QCOMPARE(text_of(requests[1], "收件人姓名"), std::string("李四"));
        QCOMPARE(text_of(requests[1], "收件人地址"), std::string());
        QCOMPARE(text_of(requests[2], "收件人地址"), std::string("高雄市"));
        // One line per request on standard output, the same record, then the goodbye.
        const auto lines = output.lines();
        QCOMPARE(lines.size(), requests.size() + 1);
        for (std::size_t i = 0; i < requests.size(); ++i)
            QCOMPARE(record_from_json_line(lines[i]), requests[i]);
        QCOMPARE(lines.back(), std::string("關閉程式"));
    }

    void empty_table_sends_one_request_without_recipient()
    {
        Recorded_Channels channels;
        run_window(channels, [](QWidget* app) { click(button(app, "輸出單據")); });
        const auto requests = channels.journal->requests();
        QCOMPARE(requests.size(), std::size_t(1));
        QCOMPARE(text_of(requests[0], "收件人姓名"), std::string());
        QCOMPARE(text_of(requests[0], "收件人地址"), std::string());
        QCOMPARE(text_of(requests[0], "信件格式"), std::string("12K直式信封(11.5cm x 23cm)"));
    }

    void cells_reach_the_queue_exactly_as_typed()
    {
        Recorded_Channels channels;
        run_window(channels, [](QWidget* app) {
            type_into(cell(app, "收件人地址", 2), "   ");
            type_into(cell(app, "收件人郵遞區號", 4), " 100 ");
            type_into(cell(app, "收件人姓名", 5), QString::fromUtf8("𠮷野家 😀"));
            click(button(app, "輸出單據"));
        });
        const auto requests = channels.journal->requests();
        QCOMPARE(requests.size(), std::size_t(4)); // the blank first row, then rows 3, 5, 6
        QCOMPARE(text_of(requests[1], "收件人地址"), std::string("   "));
        QCOMPARE(text_of(requests[2], "收件人郵遞區號"), std::string(" 100 "));
        QCOMPARE(text_of(requests[3], "收件人姓名"), std::string("𠮷野家 😀"));
    }

    void pasted_texts_reach_the_queue_unchanged_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("leading and trailing spaces") << QStringLiteral("  王 小明  ");
        QTest::newRow("tab inside") << QStringLiteral("a\tb");
        QTest::newRow("emoji with modifier") << QString::fromUtf8("😀👍🏽");
        QTest::newRow("supplementary-plane CJK") << QString::fromUtf8("𠀀𪚥𠮷");
        QTest::newRow("right-to-left marks") << QString::fromUtf8("\u200fשלום\u200e 123");
        QTest::newRow("very long") << QString(10000, QChar(0x9F8D));
    }
    void pasted_texts_reach_the_queue_unchanged()
    {
        QFETCH(QString, text);
        Recorded_Channels channels;
        Stdout_Capture quiet;
        run_window(channels, [&](QWidget* app) {
            cell(app, "收件人地址", 0)->insert(text);
            field(app, "寄件人姓名")->insert(text);
            click(button(app, "輸出單據"));
        });
        const auto requests = channels.journal->requests();
        QCOMPARE(requests.size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(text_of(requests[0], "收件人地址")), text);
        QCOMPARE(QString::fromStdString(text_of(requests[0], "寄件人姓名")), text);
        QCOMPARE(record_from_json_line(quiet.lines().at(0)), requests[0]);
    }

    void each_click_sends_again_and_earlier_requests_keep_their_values()
    {
        Recorded_Channels channels;
        run_window(channels, [](QWidget* app) {
            type_into(cell(app, "收件人姓名", 0), "甲");
            click(button(app, "輸出單據"));
            type_into(cell(app, "收件人姓名", 0), "乙");
            click(button(app, "輸出單據"));
            QCOMPARE(output_caption(app), QStringLiteral("輸出單據"));
        });
        const auto requests = channels.journal->requests();
        QCOMPARE(requests.size(), std::size_t(2));
        QCOMPARE(text_of(requests[0], "收件人姓名"), std::string("甲"));
        QCOMPARE(text_of(requests[1], "收件人姓名"), std::string("甲乙"));
    }

    void settings_confirmed_between_clicks_reach_only_the_later_click()
    {
        Recorded_Channels channels;
        run_window(channels, [](QWidget* app) {
            click(button(app, "輸出單據"));
            click(button(app, "齒輪.png"));
            auto* dialog = find<QWidget>(app, "setting_window");
            type_into(find<QLineEdit>(dialog, "entry"), "90");
            find<Option_Menu>(dialog, "optionmenu_004_B")->drop_down()->actions().at(1)->trigger();
            click(find<QPushButton>(dialog, "button_1"));
            // Chosen but not confirmed: not used.
            find<Option_Menu>(dialog, "optionmenu_004_A")->drop_down()->actions().at(4)->trigger();
            click(button(app, "輸出單據"));
        });
        const auto requests = channels.journal->requests();
        QCOMPARE(requests.size(), std::size_t(2));
        QCOMPARE(requests[0].at("文字大小比例"), Value(1LL));
        QCOMPARE(text_of(requests[0], "中文文字字體"), std::string("微軟正黑體"));
        QCOMPARE(requests[1].at("文字大小比例"), Value(0.9));
        QCOMPARE(text_of(requests[1], "中文文字字體"), std::string("標楷體"));
        QCOMPARE(text_of(requests[1], "英文文字字體"), std::string("Calibri"));
    }

    void failing_put_ends_the_click_and_the_window_stays_usable()
    {
        Recorded_Channels channels;
        Queue_Bundle queues;
        queues.add("get_receipt", failing_queue(channels.journal, 2));
        queues.add("end", std::make_shared<Std_Queue>());
        Stdout_Capture output;
        run_window(queues, channels.events, [](QWidget* app) {
            for (int row = 0; row < 3; ++row)
                type_into(cell(app, "收件人姓名", row), QString::number(row));
            click(button(app, "輸出單據"));
            click(button(app, "輸出單據"));
        });
        std::vector<std::string> names;
        for (const Record& request : channels.journal->requests())
            names.push_back(text_of(request, "收件人姓名"));
        QCOMPARE(names, (std::vector<std::string> {"0", "0", "1", "2"}));
        // The failed request was shown before its put failed; nothing after it in that click.
        QCOMPARE(output.lines().size(), std::size_t(2 + 3 + 1));
    }
};

QTEST_MAIN(Tst_Output)
#include "tst_output.moc"
