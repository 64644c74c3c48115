#pragma once

// An output request read once into what its envelope is: the format by identity, the fonts, the
// ratio, and for the sender and the recipient the name in its parts, the address and the postal
// code typed or derived, with what is worth a warning. The drawing and the log read this, never
// the request's keys again.

#include "formats.h"
#include "names.h"
#include "postal_codes.h"
#include "record.h"
#include "warning.h"

#include <QFont>
#include <QString>
#include <vector>

struct Envelope_Party
{
    QString name_typed; // as typed, invisible characters left out
    Name_Parts name;
    QString address;
    Code_Reading code;
};

struct Envelope_Value
{
    Envelope_Format format;
    QFont chinese;
    QFont latin;
    double ratio = 1; // of the text's sizes: finite and positive
    Envelope_Party sender;
    Envelope_Party recipient;
    bool has_recipient = false; // a name, an address or a code was typed
    bool any_han = false;
    std::vector<Warning> warnings; // the ratio's, then the codes'
};

// Throws for a format it does not know.
Envelope_Value read_envelope(const Record& request);
