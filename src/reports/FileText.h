#pragma once

#include <QString>

// Texts decoded from the instrument keep its fill bytes, zero bytes included,
// and the tables show them as received. A file format cannot always hold
// them: an XML workbook made invalid by a NUL is refused by spreadsheet
// programs. Whatever writes such a text to a file passes it through here.
namespace filetext {

// The text without the characters XML 1.0 cannot carry: control characters
// other than tab, line feed and carriage return, unpaired surrogates, and the
// non-characters U+FFFE and U+FFFF. Everything else is kept as it is.
QString forXml(const QString& text);

// The text without the characters a drawn PDF line cannot show: what forXml
// drops, plus carriage returns and the other control characters (C0, DEL and
// C1), which a PDF font has no glyph for. Tabs and line feeds are kept; the
// report splits remarks at line feeds itself.
QString forPdf(const QString& text);

} // namespace filetext
