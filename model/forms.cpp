#include "request_fields.h"
#include "state.h"

// The column labels and the field labels are the request's keys for the same texts.
void build_forms(Main_Window_State& state, const Layout_Frames& frames)
{
    state.entry_table = std::make_unique<Entry_Table>(frames.frame[0]);
    state.entry_table->add_entry_name(request_key::recipient_name, 100);
    state.entry_table->add_entry_name(request_key::recipient_postal_code, 150);
    state.entry_table->add_entry_name(request_key::recipient_address, 350);
    state.entry_table->add_table(7);

    state.set_table = std::make_unique<Set_Table>(frames.frame[5]);
    state.set_table->add_entry_name(request_key::sender_name);
    state.set_table->add_entry_name(request_key::sender_postal_code);
    state.set_table->add_entry_name(request_key::sender_address);
}
