#pragma once

// "名單列印": a list of recipients from a file, beside the main window. Its columns mapped
// (changeable; two that could be one field are the user's choice), a row per recipient with a
// tick box and its state, checked in the background with the envelope's own code (rows with
// errors unticked, never dropped), filters, sorting by postal code with counts per area, the
// sender typed, the list's own format and ratio, a preview through the same drawing as print
// and PDF, cells editable without touching the file, the list saved or its problem rows exported
// as CSV that Excel opens, and "列印 N 封" / "只輸出 PDF" in jobs of at most 50 with progress
// and "停止".

#include "list_file.h"
#include "outputs.h"

#include <functional>
#include <memory>
#include <string>

class QWidget;

struct List_Window_Needs
{
    Outputs::Tell tell;
    std::string printer; // this run's, over the print settings' choice
};

// A new window, shown by the caller; `path` loaded when not empty. Deletes itself when closed,
// once the envelopes under way are accounted for.
QWidget* make_list_window(const List_Window_Needs& needs, const QString& path = QString());

// The same with a list already read, under `name` ("通訊錄").
QWidget* make_list_window(
    const List_Window_Needs& needs, const List_Table& table, const QString& name);
