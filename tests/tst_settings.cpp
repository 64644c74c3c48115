// The settings dialog: presets, the size ratio's rules as the user meets them, several dialogs.

#include "state.h"
#include "window_driver.h"

#include <QMenu>
#include <QTest>

namespace {

QLineEdit* entry_of(QWidget* dialog)
{
    return find<QLineEdit>(dialog, "entry");
}

Option_Menu* menu_of(QWidget* dialog, const char* name)
{
    return find<Option_Menu>(dialog, QString::fromUtf8(name));
}

void confirm(QWidget* dialog)
{
    click(find<QPushButton>(dialog, "button_1"));
}

} // namespace

class Tst_Settings : public QObject
{
    Q_OBJECT

private slots:
    void first_dialog_shows_the_defaults()
    {
        Recorded_Channels channels;
        run_window(channels, [](QWidget* app) {
            QWidget* dialog = open_dialog(app);
            QVERIFY(dialog != nullptr && dialog->isVisible());
            QCOMPARE(dialog->windowTitle(), QStringLiteral("設定"));
            QVERIFY(dialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
            QCOMPARE(dialog->windowModality(), Qt::NonModal);
            QCOMPARE(dialog->size(), QSize(300, 330));
            QCOMPARE(menu_of(dialog, "optionmenu_004_A")->get(), QStringLiteral("Calibri"));
            QCOMPARE(menu_of(dialog, "optionmenu_004_B")->get(), QStringLiteral("微軟正黑體"));
            QCOMPARE(menu_of(dialog, "optionmenu_004_A")->values(),
                (QStringList {"微軟正黑體", "標楷體", "Calibri", "新細明體", "Brush Script MT"}));
            QVERIFY(entry_of(dialog)->text().isEmpty());
            QCOMPARE(entry_of(dialog)->placeholderText(), QStringLiteral("100"));
            // The main window stays usable while the dialog is open.
            type_into(field(app, "寄件人姓名"), "x");
            QCOMPARE(field(app, "寄件人姓名")->text(), QStringLiteral("x"));
        });
    }

    void typed_ratio_shows_in_the_next_dialog_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("hint");
        QTest::newRow("80") << "80"
                            << "80.0";
        QTest::newRow("100 is a real number now") << "100"
                                                  << "100.0";
        QTest::newRow("7") << "7"
                           << "7.000000000000001";
        QTest::newRow("spaces around") << "  80 "
                                       << "80.0";
        QTest::newRow("full-width digits") << QString::fromUtf8("８０") << "80.0";
        QTest::newRow("exponent") << "8e1"
                                  << "80.0";
        QTest::newRow("negative") << "-50"
                                  << "-50.0";
        QTest::newRow("zero") << "0"
                              << "0.0";
        QTest::newRow("infinity") << "inf"
                                  << "inf";
        QTest::newRow("percent sign falls back") << "80%"
                                                 << "100";
        QTest::newRow("letters fall back") << "abc"
                                           << "100";
        QTest::newRow("lone point falls back") << "."
                                               << "100";
        QTest::newRow("nothing typed falls back") << ""
                                                  << "100";
    }
    void typed_ratio_shows_in_the_next_dialog()
    {
        QFETCH(QString, typed);
        QFETCH(QString, hint);
        Recorded_Channels channels;
        run_window(channels, [&](QWidget* app) {
            QWidget* dialog = open_dialog(app);
            type_into(entry_of(dialog), typed);
            confirm(dialog);
            QVERIFY(dialog->isVisible()); // confirming leaves the dialog as it was
            QCOMPARE(entry_of(dialog)->text(), typed);
            QCOMPARE(entry_of(open_dialog(app))->placeholderText(), hint);
        });
    }

    void empty_confirm_brings_back_the_whole_number_one()
    {
        Recorded_Channels channels;
        run_window(channels, [](QWidget* app) {
            QWidget* first = open_dialog(app);
            type_into(entry_of(first), "80");
            confirm(first);
            QWidget* second = open_dialog(app);
            QCOMPARE(entry_of(second)->placeholderText(), QStringLiteral("80.0"));
            confirm(second);
            QCOMPARE(entry_of(open_dialog(app))->placeholderText(), QStringLiteral("100"));
            click(button(app, "輸出單據"));
        });
        QCOMPARE(channels.journal->requests().at(0).at("文字大小比例"), Value(1LL));
    }

    void last_confirm_wins_and_others_are_not_refreshed()
    {
        Recorded_Channels channels;
        run_window(channels, [](QWidget* app) {
            QWidget* one = open_dialog(app);
            QWidget* two = open_dialog(app);
            QVERIFY(one != two);
            choose(menu_of(one, "optionmenu_004_B"), 1);
            choose(menu_of(two, "optionmenu_004_B"), 3);
            choose(menu_of(two, "optionmenu_004_A"), 4);
            confirm(two);
            confirm(one);
            QCOMPARE(menu_of(two, "optionmenu_004_B")->get(), QStringLiteral("新細明體"));
            QWidget* three = open_dialog(app);
            QCOMPARE(menu_of(three, "optionmenu_004_B")->get(), QStringLiteral("標楷體"));
            QCOMPARE(menu_of(three, "optionmenu_004_A")->get(), QStringLiteral("Calibri"));
        });
    }

    void closing_a_dialog_drops_its_choices_and_the_dialog()
    {
        Recorded_Channels channels;
        run_window(channels, [](QWidget* app) {
            QPointer<QWidget> dialog = open_dialog(app);
            choose(menu_of(dialog, "optionmenu_004_A"), 0);
            type_into(entry_of(dialog), "50");
            dialog->close();
            QTRY_VERIFY(dialog.isNull());
            QWidget* next = open_dialog(app);
            QCOMPARE(menu_of(next, "optionmenu_004_A")->get(), QStringLiteral("Calibri"));
            QCOMPARE(entry_of(next)->placeholderText(), QStringLiteral("100"));
        });
    }

    void closing_the_main_window_closes_every_dialog()
    {
        Recorded_Channels channels;
        QList<QPointer<QWidget>> dialogs;
        run_window(channels, [&](QWidget* app) {
            dialogs << open_dialog(app) << open_dialog(app) << open_dialog(app);
        });
        for (const auto& dialog : dialogs)
            QVERIFY(dialog.isNull());
        QCOMPARE(channels.journal->entries().size(), std::size_t(3)); // the hand-off ran once
    }

    void every_run_starts_from_the_defaults()
    {
        Recorded_Channels first;
        run_window(first, [](QWidget* app) {
            QWidget* dialog = open_dialog(app);
            type_into(entry_of(dialog), "80");
            choose(menu_of(dialog, "optionmenu_004_B"), 1);
            confirm(dialog);
        });
        Recorded_Channels second;
        run_window(second, [](QWidget* app) {
            QWidget* dialog = open_dialog(app);
            QCOMPARE(entry_of(dialog)->placeholderText(), QStringLiteral("100"));
            QCOMPARE(menu_of(dialog, "optionmenu_004_B")->get(), QStringLiteral("微軟正黑體"));
        });
    }
};

QTEST_MAIN(Tst_Settings)
#include "tst_settings.moc"
