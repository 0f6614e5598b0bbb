#include "app/settings.h"

#include <QSettings>

namespace AppSettings {
namespace {

const QString kFileName = QStringLiteral("setting.ini");

QString read(const QString& key)
{
    const QSettings settings(kFileName, QSettings::IniFormat);
    return settings.value(key, QStringLiteral(".")).toString();
}

void write(const QString& key, const QString& value)
{
    QSettings settings(kFileName, QSettings::IniFormat);
    settings.setValue(key, value);
}

} // namespace

QString inputFolder()
{
    return read(QStringLiteral("dir/input"));
}
void setInputFolder(const QString& folder)
{
    write(QStringLiteral("dir/input"), folder);
}
QString layoutFolder()
{
    return read(QStringLiteral("dir/layout"));
}
void setLayoutFolder(const QString& folder)
{
    write(QStringLiteral("dir/layout"), folder);
}
QString outputPath()
{
    return read(QStringLiteral("output/output"));
}
void setOutputPath(const QString& path)
{
    write(QStringLiteral("output/output"), path);
}
bool numbersAsNumbers()
{
    return read(QStringLiteral("output/numbers")) == u"true";
}
void setNumbersAsNumbers(bool on)
{
    write(QStringLiteral("output/numbers"), on ? QStringLiteral("true") : QStringLiteral("false"));
}

bool joinLines()
{
    return read(QStringLiteral("extract/joinLines")) == QLatin1String("true");
}
void setJoinLines(bool on)
{
    write(QStringLiteral("extract/joinLines"), on ? QStringLiteral("true") : QStringLiteral("false"));
}

ScannedPages scannedPages()
{
    const QString value = read(QStringLiteral("recognition/scannedPages"));
    return value == u"always"  ? ScannedPages::Always
           : value == u"never" ? ScannedPages::Never
                               : ScannedPages::Ask;
}
void setScannedPages(ScannedPages choice)
{
    write(QStringLiteral("recognition/scannedPages"),
          choice == ScannedPages::Always  ? QStringLiteral("always")
          : choice == ScannedPages::Never ? QStringLiteral("never")
                                          : QStringLiteral("ask"));
}

} // namespace AppSettings
