#include "state.h"

void build_forms(Main_Window_State& state, const Layout_Frames& frames)
{
    state.entry_table = std::make_unique<Entry_Table>(frames.frame[0]);
    state.entry_table->add_entry_name("收件人姓名", 100);
    state.entry_table->add_entry_name("收件人郵遞區號", 150);
    state.entry_table->add_entry_name("收件人地址", 350);
    state.entry_table->add_table(7);

    state.set_table = std::make_unique<Set_Table>(frames.frame[5]);
    state.set_table->add_entry_name("寄件人姓名");
    state.set_table->add_entry_name("寄件人郵遞區號");
    state.set_table->add_entry_name("寄件人地址");
}
