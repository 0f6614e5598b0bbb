#include "export/writtennumber.h"

#include "export/documentrows.h"

#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <string>

namespace {
// Excel keeps 15 significant digits: more would be shown differently from the document.
constexpr int maxSignificantDigits = 15;

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool isThousandsSeparator(QChar c, DecimalMark mark)
{
    if (mark == DecimalMark::Point)
        return c == u',';
    return c == u'.' || c == u' ' || c == QChar(0x00A0) || c == QChar(0x202F);
}

QChar decimalMarkChar(DecimalMark mark)
{
    return mark == DecimalMark::Point ? u'.' : u',';
}

// The locale-independent conversion of "digits[.digits][e-2]"; nullopt when a double cannot
// hold it.
std::optional<double> toDouble(const std::string& digits)
{
    static const locale_t cLocale = newlocale(LC_NUMERIC_MASK, "C", locale_t(nullptr));
    errno = 0;
    char* end = nullptr;
    const double value = strtod_l(digits.c_str(), &end, cLocale);
    if (errno == ERANGE || !std::isfinite(value) || end != digits.c_str() + digits.size())
        return std::nullopt;
    return value;
}
} // namespace

std::optional<WrittenNumber> readWrittenNumber(QStringView text, DecimalMark mark)
{
    QStringView rest = text.trimmed();
    bool negative = false;
    bool parentheses = false;
    bool plus = false;
    if (rest.size() >= 2 && rest.front() == u'(' && rest.back() == u')') {
        parentheses = negative = true;
        rest = rest.mid(1, rest.size() - 2);
    } else if (!rest.isEmpty() && (rest.front() == u'-' || rest.front() == QChar(0x2212))) {
        negative = true;
        rest = rest.mid(1);
    } else if (!rest.isEmpty() && rest.front() == u'+') {
        plus = true;
        rest = rest.mid(1);
    }
    const bool percent = !rest.isEmpty() && rest.back() == u'%';
    if (percent)
        rest.chop(1);

    // The integer part: plain digits, or one to three digits and groups of three after one and
    // the same separator.
    std::string digits;
    qsizetype at = 0;
    qsizetype groupStart = 0;
    bool grouped = false;
    QChar separator;
    while (at < rest.size()) {
        const QChar c = rest[at];
        if (isDigit(c)) {
            digits += char(c.unicode());
            ++at;
            continue;
        }
        if (!isThousandsSeparator(c, mark) || (grouped && c != separator))
            break;
        const qsizetype groupLength = at - groupStart;
        if (groupLength == 0 || groupLength > 3 || (grouped && groupLength != 3))
            return std::nullopt;
        grouped = true;
        separator = c;
        groupStart = ++at;
    }
    if (digits.empty() || (grouped && at - groupStart != 3))
        return std::nullopt;
    if (digits.size() > 1 && digits.front() == '0')
        return std::nullopt; // a code such as 00123

    qsizetype decimals = 0;
    if (at < rest.size() && rest[at] == decimalMarkChar(mark)) {
        digits += '.';
        for (++at; at < rest.size() && isDigit(rest[at]); ++at, ++decimals)
            digits += char(rest[at].unicode());
        if (decimals == 0)
            return std::nullopt;
    }
    if (at != rest.size())
        return std::nullopt;

    // Significant digits: leading zeros of "0.005" do not count.
    int significant = 0;
    bool seenNonZero = false;
    for (const char c : digits) {
        if (c == '.')
            continue;
        seenNonZero = seenNonZero || c != '0';
        if (seenNonZero)
            ++significant;
    }
    if (significant > maxSignificantDigits)
        return std::nullopt;

    // "12.5%" is read as 12.5e-2, so the value is the double nearest to what is written.
    const std::optional<double> magnitude = toDouble(digits + (percent ? "e-2" : ""));
    if (!magnitude)
        return std::nullopt;

    QString shown = grouped ? QStringLiteral("#,##0") : QStringLiteral("0");
    if (decimals > 0)
        shown += u'.' + QString(decimals, u'0');
    if (percent)
        shown += u'%';
    QString format = shown;
    if (parentheses)
        format = shown + QStringLiteral(";(") + shown + u')';
    else if (plus)
        format = u'+' + shown + QStringLiteral(";-") + shown;

    // A written zero has no sign in a spreadsheet: "-0" is 0.
    const double value = negative && *magnitude != 0 ? -*magnitude : *magnitude;
    return WrittenNumber{value, format};
}

DecimalMark documentDecimalMark(const DocumentRows& rows)
{
    long long pointOnly = 0;
    long long commaOnly = 0;
    for (int index = 0; index < rows.rowCount(); ++index) {
        for (const QString& cell : rows.row(index)) {
            const auto withPoint = readWrittenNumber(cell, DecimalMark::Point);
            const auto withComma = readWrittenNumber(cell, DecimalMark::Comma);
            if (withPoint && withComma)
                continue;
            pointOnly += withPoint.has_value();
            commaOnly += withComma.has_value();
        }
    }
    return commaOnly > pointOnly ? DecimalMark::Comma : DecimalMark::Point;
}
