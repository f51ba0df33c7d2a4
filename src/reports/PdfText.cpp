#include "PdfText.h"

#include <QFont>
#include <QTextLayout>

namespace pdftext {

QStringList wrappedLines(const QString& text, const QFont& font, QPaintDevice* device, qreal width)
{
    QStringList lines;
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    const QStringList parts = text.split(QLatin1Char('\n'));
    for (const QString& part : parts) {
        QTextLayout layout(part, font, device);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            // The space a line was broken at stays behind on the line it ends.
            QString piece = part.mid(line.textStart(), line.textLength());
            while (!piece.isEmpty() && piece.back().isSpace())
                piece.chop(1);
            if (!piece.isEmpty())
                lines << piece;
        }
        layout.endLayout();
    }
    return lines;
}

} // namespace pdftext
