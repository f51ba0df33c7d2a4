#include "XmlNestingCheck.h"

#include <cstring>

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

} // namespace

void XmlNestingCheck::feed(const char* data, int size)
{
    const char* p = data;
    const char* const end = data + size;
    while (p < end && m_error.isEmpty()) {
        switch (m_state) {
        case State::Text: {
            // Text is skipped at memchr's speed: most of a sheet is markup
            // and values, and only the markup tells whether pieces are lost.
            const void* lt = std::memchr(p, '<', std::size_t(end - p));
            if (!lt)
                return;
            p = static_cast<const char*>(lt) + 1;
            m_state = State::Name;
            m_kind = Kind::Start;
            m_name.clear();
            m_last = 0;
            break;
        }
        case State::Name: {
            const char c = *p;
            if (m_name.empty() && m_kind == Kind::Start && c == '/') {
                m_kind = Kind::End;
                ++p;
            } else if (m_name.empty() && m_kind == Kind::Start && (c == '?' || c == '!')) {
                m_kind = Kind::Other;
                m_state = State::Markup;
                ++p;
            } else if (isSpace(c) || c == '/' || c == '>') {
                m_state = State::Markup; // the same character again, as markup
            } else {
                m_name.push_back(c);
                ++p;
            }
            break;
        }
        case State::Markup: {
            const char c = *p++;
            if (c == '>') {
                endOfMarkup();
                m_state = State::Text;
            } else if (c == '"' || c == '\'') {
                m_quote = c;
                m_state = State::Quoted;
            } else if (!isSpace(c)) {
                m_last = c;
            }
            break;
        }
        case State::Quoted: {
            const void* q = std::memchr(p, m_quote, std::size_t(end - p));
            if (!q)
                return;
            p = static_cast<const char*>(q) + 1;
            m_last = m_quote;
            m_state = State::Markup;
            break;
        }
        }
    }
}

void XmlNestingCheck::endOfMarkup()
{
    switch (m_kind) {
    case Kind::Other:
        return;
    case Kind::End:
        if (m_open.empty() || m_open.back() != m_name) {
            m_error =
                QStringLiteral("</%1> closes no open element").arg(QString::fromStdString(m_name));
            return;
        }
        m_open.pop_back();
        m_rootDone = m_open.empty();
        return;
    case Kind::Start:
        if (m_name.empty() || m_rootDone) {
            m_error = m_name.empty() ? QStringLiteral("markup without a name")
                                     : QStringLiteral("<%1> after the root element")
                                           .arg(QString::fromStdString(m_name));
            return;
        }
        if (m_last == '/')
            m_rootDone = m_open.empty();
        else
            m_open.push_back(m_name);
        return;
    }
}

QString XmlNestingCheck::problem() const
{
    if (!m_error.isEmpty())
        return m_error;
    if (m_state != State::Text)
        return QStringLiteral("cut short inside markup");
    if (!m_open.empty())
        return QStringLiteral("cut short: <%1> is not closed")
            .arg(QString::fromStdString(m_open.back()));
    if (!m_rootDone)
        return QStringLiteral("no root element");
    return {};
}
