#include "XmlNestingCheck.h"

#include <QByteArray>

void XmlNestingCheck::feed(const char* data, int size)
{
    if (m_reader.hasError() && m_reader.error() != QXmlStreamReader::PrematureEndOfDocumentError)
        return; // the first real error is the answer
    // Whether the document is whole does not depend on its namespaces, and
    // resolving them for every element would double the time a sheet takes.
    m_reader.setNamespaceProcessing(false);
    m_reader.addData(QByteArray(data, size));
    // Reads what has arrived; running out of data is a pause, not an error.
    while (!m_reader.atEnd()) {
        if (m_reader.readNext() == QXmlStreamReader::StartElement)
            m_rootSeen = true;
    }
}

QString XmlNestingCheck::problem() const
{
    if (!m_reader.hasError())
        return m_rootSeen ? QString() : QStringLiteral("no root element");
    if (m_reader.error() == QXmlStreamReader::PrematureEndOfDocumentError)
        return m_rootSeen ? QStringLiteral("cut short") : QStringLiteral("no root element");
    return QStringLiteral("line %1: %2").arg(m_reader.lineNumber()).arg(m_reader.errorString());
}
