#pragma once

// Reading the numbers of a document as they are written, for numeric spreadsheet cells.
// Pure functions over texts; no file format in sight.
//
// A cell is a number when its whole text, blanks at both ends trimmed, is one of
//   1234   -1,234.56   +3.5   (1,234.56)   12%   -0.5%
// with the document's decimal mark: digits, optionally grouped by threes with the thousands
// separator, optionally followed by the decimal mark and at least one digit; a sign, or
// parentheses for a negative number, in front; a percent sign directly after the digits.
// With the decimal comma the thousands separator is a dot or a space (also U+00A0, U+202F):
// "1 234,56", "1.234,56". Everything else stays text, among it
//   00123 (a code: a leading zero before more digits), 1,23 with the decimal point (a group
//   of other than three digits), 12/03/2024, 3.5.1, 1e5, .5, 1 234 with the decimal point,
//   numbers of more than 15 significant digits (a double would not keep what is written),
//   and anything whose value a double cannot hold.
//
// The format shows the number as written, in the file formats' neutral notation:
//   "1234" → 1234, "0";  "-1,234.56" → -1234.56, "#,##0.00";  "(1,234.56)" → -1234.56,
//   "#,##0.00;(#,##0.00)";  "12.5%" → 0.125, "0.0%";  "+3.5" → 3.5, "+0.0;-0.0".

#include <QString>
#include <QStringView>

#include <optional>

class DocumentRows;

enum class DecimalMark { Point, Comma };

struct WrittenNumber {
    double value = 0;
    QString format;
    bool operator==(const WrittenNumber&) const = default;
};

std::optional<WrittenNumber> readWrittenNumber(QStringView text, DecimalMark mark);

// The decimal comma when more cells of the document read as numbers only with the comma
// ("12,5", "1.234,56") than only with the point ("12.5", "1,234.56"); otherwise the point.
// Cells that read the same either way ("1234", "12%") do not count.
DecimalMark documentDecimalMark(const DocumentRows& rows);
