#pragma once

#include <QString>

#include <string>
#include <vector>

// Tells whether an XML document is whole: every piece of markup is closed,
// every end tag matches the open element, and one root element is complete
// at the end. Not a parser: it notices a document cut short or missing a
// piece, at a small fraction of the cost of QXmlStreamReader, which takes as
// long to read a long worksheet as the workbook took to write. It expects
// what libxlsxwriter writes: no comments, CDATA sections or document types.
// The document may arrive in chunks of any size.
class XmlNestingCheck
{
public:
    void feed(const char* data, int size);
    // After the last chunk: empty when the document is whole.
    QString problem() const;

private:
    enum class State
    {
        Text,
        Name,
        Markup,
        Quoted
    };
    enum class Kind
    {
        Start,
        End,
        Other
    };

    void endOfMarkup();

    State m_state = State::Text;
    Kind m_kind = Kind::Start;
    std::string m_name;
    std::vector<std::string> m_open;
    char m_quote = 0;
    char m_last = 0; // the last character of the markup outside quotes
    bool m_rootDone = false;
    QString m_error;
};
