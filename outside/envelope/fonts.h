#pragma once

// The fonts the settings dialog offers, by their Windows names, and what stands in for them here.

#include <QFont>
#include <QString>
#include <string>

// The offered fonts by their Windows names, then the free faces of the same kind elsewhere (a Ming
// face for 新細明體, a Kai face for 標楷體); any other name as it is. Qt falls back from there.
QFont font_named(const std::string& name);

// Whether the installed fonts can print Chinese at all.
bool chinese_fonts_installed();

bool has_han(const QString& text);
