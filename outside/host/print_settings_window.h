#pragma once

// The host's own window "列印設定": where the envelopes go (their PDF files alone, or a printer
// too), the printers with their state, per format the shift right and down and the turn, the
// paper source, and a calibration page, a test print and a preview at true size. Every change is
// kept at once, for the next run too.

class QWidget;

// A new window, deleted when closed.
QWidget* make_print_settings_window();
