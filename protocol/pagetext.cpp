#include "protocol/pagetext.h"

#include <QStringList>

namespace PageTextWriter {

QString escapeWordText(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        switch (c.unicode()) {
        case '&':
            out += QLatin1String("&amp;");
            break;
        case '<':
            out += QLatin1String("&lt;");
            break;
        case '>':
            out += QLatin1String("&gt;");
            break;
        default:
            out += c.unicode() < 0x20 ? QChar(' ') : c;
        }
    }
    return out;
}

void appendRun(QString& page, const Subtext& run)
{
    page += QLatin1String("<span style=\"left:") + QString::number(run.left) + QLatin1String(";top:") +
            QString::number(run.top) + QLatin1String(";width:") + QString::number(run.width) +
            QLatin1String(";height:") + QString::number(run.height) + QLatin1String("\">") +
            escapeWordText(run.text) + QLatin1String("</span>\n");
}

} // namespace PageTextWriter

namespace PageTextParser {

namespace {

const QString kSpanEnd = QStringLiteral("</span>");

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool isReferenceBodyCharacter(QChar c)
{
    return isAsciiDigit(c) || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'#';
}

int hexDigitValue(QChar c)
{
    if (isAsciiDigit(c))
        return c.unicode() - u'0';
    if (c >= u'a' && c <= u'f')
        return c.unicode() - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c.unicode() - u'A' + 10;
    return -1;
}

bool isDecodableCodePoint(char32_t cp)
{
    const bool surrogate = cp >= 0xD800 && cp <= 0xDFFF;
    return cp != 0 && cp <= 0x10FFFF && !surrogate;
}

// The code point of a numeric reference body ("#65", "#x41"), or 0 when it is malformed or
// names no character we decode.
char32_t numericReference(QStringView body)
{
    if (body.size() < 2 || body.at(0) != u'#')
        return 0;
    const bool hex = body.at(1) == u'x' || body.at(1) == u'X';
    const QStringView digits = body.mid(hex ? 2 : 1);
    if (digits.isEmpty())
        return 0;
    const char32_t base = hex ? 16 : 10;
    char32_t value = 0;
    for (QChar c : digits) {
        const int digit = hex ? hexDigitValue(c) : (isAsciiDigit(c) ? c.unicode() - u'0' : -1);
        if (digit < 0)
            return 0;
        // Anything above the Unicode range stays as written; stop before the value overflows.
        if (value > 0x10FFFF)
            return 0;
        value = value * base + char32_t(digit);
    }
    return isDecodableCodePoint(value) ? value : 0;
}

// Appends the text a reference body (between "&" and ";") stands for; false when it is not
// one we decode.
bool appendReference(QStringView body, QString& out)
{
    static const struct {
        QStringView name;
        QChar character;
    } named[] = {{u"amp", u'&'}, {u"lt", u'<'}, {u"gt", u'>'}, {u"quot", u'"'}, {u"apos", u'\''}};
    for (const auto& entry : named) {
        if (body == entry.name) {
            out.append(entry.character);
            return true;
        }
    }
    const char32_t cp = numericReference(body);
    if (cp == 0)
        return false;
    if (QChar::requiresSurrogates(cp)) {
        out.append(QChar(QChar::highSurrogate(cp)));
        out.append(QChar(QChar::lowSurrogate(cp)));
    } else {
        out.append(QChar(char16_t(cp)));
    }
    return true;
}

} // namespace

QString decodePageBytes(const QByteArray& bytes)
{
    const qsizetype end = bytes.indexOf('\0');
    return QString::fromUtf8(end < 0 ? bytes : bytes.left(end));
}

PageText getTextPosition(const QString& sxml)
{
    PageText page;
    QStringList lines = sxml.split(u'\n', Qt::SkipEmptyParts);
    if (!lines.isEmpty() && lines.front() == QLatin1String(kRecognisedMarker)) {
        page.recognised = true;
        lines.removeFirst();
    }
    page.runs.reserve(lines.size());
    for (const QString& line : lines)
        page.runs.append(getSubtextInfo(line));
    page.lineCount = int(page.runs.size());
    return page;
}

Subtext getSubtextInfo(const QString& sRow)
{
    Subtext run;
    run.left = getpos(QStringLiteral("left"), sRow);
    run.top = getpos(QStringLiteral("top"), sRow);
    run.width = getpos(QStringLiteral("width"), sRow);
    run.height = getpos(QStringLiteral("height"), sRow);
    run.text = gettext(sRow);
    return run;
}

int getpos(const QString& sPos, const QString& sRow)
{
    const qsizetype keyAt = sRow.indexOf(sPos);
    if (keyAt < 0)
        return 0;
    // The character after the key is the separator, whatever it is.
    const qsizetype valueAt = keyAt + sPos.size() + 1;
    if (valueAt >= sRow.size())
        return 0;
    qsizetype valueEnd = valueAt;
    while (valueEnd < sRow.size() && sRow.at(valueEnd) != u';' && sRow.at(valueEnd) != u'"')
        ++valueEnd;
    bool ok = false;
    const int value = QStringView(sRow).mid(valueAt, valueEnd - valueAt).toInt(&ok, 10);
    return ok && value > 0 ? value : 0;
}

QString gettext(const QString& sRow)
{
    const qsizetype end = sRow.indexOf(kSpanEnd);
    if (end <= 0)
        return QString();
    qsizetype start = 1;
    for (qsizetype i = end - 1; i >= 1; --i) {
        if (sRow.at(i) == u'>') {
            start = i + 1;
            break;
        }
    }
    return decodeCharacterReferences(sRow.mid(start, end - start));
}

QString decodeCharacterReferences(const QString& text)
{
    if (!text.contains(u'&'))
        return text;
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (c == u'&') {
            // A reference body holds only letters, digits and "#"; scanning stops at anything
            // else, which keeps the pass linear however many stray "&" a line holds.
            qsizetype bodyEnd = i + 1;
            while (bodyEnd < text.size() && isReferenceBodyCharacter(text.at(bodyEnd)))
                ++bodyEnd;
            if (bodyEnd < text.size() && text.at(bodyEnd) == u';' &&
                appendReference(QStringView(text).mid(i + 1, bodyEnd - i - 1), out)) {
                i = bodyEnd + 1;
                continue;
            }
        }
        out.append(c);
        ++i;
    }
    return out;
}

} // namespace PageTextParser
