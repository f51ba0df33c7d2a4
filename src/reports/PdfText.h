#pragma once

#include <QStringList>

class QFont;
class QPaintDevice;

namespace pdftext {

// The lines a text takes when set in the given width with the given font on
// the device: broken at its line feeds, then at word boundaries, anywhere
// between CJK characters, and inside a word only when the word alone is wider
// than a line. Blank lines draw nothing and take no room, so they are left out.
QStringList wrappedLines(const QString& text, const QFont& font, QPaintDevice* device, qreal width);

} // namespace pdftext
