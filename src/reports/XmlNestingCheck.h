#pragma once

#include <QString>
#include <QXmlStreamReader>

// Tells whether an XML document is whole and well formed, reading it as it
// arrives in chunks of any size (a long worksheet is never held whole): a
// document cut short, missing a piece or with markup out of place has a
// problem.
class XmlNestingCheck
{
public:
    void feed(const char* data, int size);
    // After the last chunk: empty when the document is whole.
    QString problem() const;

private:
    QXmlStreamReader m_reader;
    bool m_rootSeen = false;
};
