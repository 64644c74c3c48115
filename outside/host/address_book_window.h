#pragma once

// "通訊錄": the saved senders and recipients, to search, add, edit and delete; the distinct
// recipients of the output log offered ("從輸出紀錄加入"); recipients chosen sent to a list window
// ("放進名單列印"). Saved whole under the book's lock, keeping what another program added
// meanwhile. The main window is never filled from it.

#include "list_window.h"

class QWidget;

// A new window, shown by the caller; deletes itself when closed.
QWidget* make_address_book_window(const List_Window_Needs& needs);
