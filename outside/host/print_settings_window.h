#pragma once

// The program's own window "列印設定", in two parts kept apart:
// - where the envelopes go: their PDF files alone, or a printer too (the user's default printer
//   offered first; a printer chosen once that is gone shown as gone);
// - a printer's calibration, whichever printer is looked at: per format the shift right and down
//   as seen on the envelope and the turn, the paper source where the printer has one, and a
//   calibration page, a test print and a preview.
// The printers and their states are asked for off the window's thread, again every few seconds
// while it is open: a print system that does not answer is said at the window's foot, never
// waited for. Every change is kept at once, for the press that follows and the next run.

class QWidget;

// A new window, deleted when closed.
QWidget* make_print_settings_window();
