#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

// PDF documents of the converter tests that no PDF writer makes: text mapped to chosen code
// points.
namespace TestDocuments {

// One Letter page showing `text` in Helvetica at 24 pt; the font's ToUnicode map gives each
// byte of `text` the code point of `unicode` at the same index (bytes must differ).
QByteArray pageWithMappedText(const QByteArray& text, const std::vector<char16_t>& unicode);

bool writeFile(const QString& path, const QByteArray& bytes);

} // namespace TestDocuments
