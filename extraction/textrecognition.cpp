#include "extraction/textrecognition.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

namespace TextRecognition {

namespace {

constexpr auto kDebianDataFolder = "/usr/share/tesseract-ocr/5/tessdata";

bool installed(const QString& name)
{
    return QFileInfo::exists(dataFolder() + '/' + name + QLatin1String(".traineddata"));
}

// Debian names script packages after the ISO 15924 code of the script.
QString scriptCode(const QString& script)
{
    static const QHash<QString, QString> codes = {
        {"Arabic", "arab"},     {"Armenian", "armn"}, {"Bengali", "beng"}, {"Cyrillic", "cyrl"},
        {"Devanagari", "deva"}, {"Greek", "grek"},    {"Hebrew", "hebr"},  {"Latin", "latn"},
        {"Georgian", "geor"},   {"Thai", "thai"},     {"Hangul", "hang"},  {"Japanese", "jpan"},
    };
    return codes.value(script, script.toLower());
}

bool isScript(const QString& name)
{
    return !name.isEmpty() && name.at(0).isUpper();
}

} // namespace

QString dataFolder()
{
    const QString prefix = qEnvironmentVariable("TESSDATA_PREFIX");
    return prefix.isEmpty() ? QString::fromLatin1(kDebianDataFolder) : QDir::cleanPath(prefix);
}

QString defaultLanguages()
{
    return installed(QStringLiteral("Latin")) ? QStringLiteral("eng+Latin") : QStringLiteral("eng");
}

QString packageFor(const QString& language)
{
    QString name = language;
    if (name.startsWith(QLatin1String("script/")))
        name.remove(0, 7);
    if (isScript(name))
        return QStringLiteral("tesseract-ocr-script-") + scriptCode(name);
    return QStringLiteral("tesseract-ocr-") + name.toLower().replace('_', '-');
}

QString resolveLanguages(const QString& languages, QString* error)
{
    static const QRegularExpression valid(QStringLiteral("^(script/)?[A-Za-z][A-Za-z0-9_]*$"));
    QStringList names;
    for (const QString& language : languages.split('+')) {
        if (!valid.match(language).hasMatch()) {
            *error = QStringLiteral("\"%1\" is not a recognition language (such as eng, deu or eng+deu)")
                         .arg(languages);
            return {};
        }
        QString name = language;
        if (!installed(name) && name.startsWith(QLatin1String("script/")) && installed(name.mid(7)))
            name = name.mid(7);
        if (!installed(name)) {
            *error = QStringLiteral("the recognition language \"%1\" is not installed in %2 "
                                    "(install the package %3)")
                         .arg(language, QDir::toNativeSeparators(dataFolder()), packageFor(language));
            return {};
        }
        names.append(name);
    }
    return names.join('+');
}

QStringList converterArguments(Mode mode, const QString& languages)
{
    if (mode == Mode::Off)
        return {};
    QStringList arguments{mode == Mode::EveryPage ? QStringLiteral("--ocr=force") : QStringLiteral("--ocr")};
    if (!languages.isEmpty())
        arguments << QStringLiteral("--ocr-lang") << languages;
    return arguments;
}

} // namespace TextRecognition
